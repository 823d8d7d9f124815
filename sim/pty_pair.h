#pragma once

#include <optional>
#include <string>

namespace velmar::sim {

// A pseudo-terminal pair in raw mode at 38400 baud. We keep a slave descriptor of our own so
// the master never reads EIO while no client has the device open.
class PtyPair {
 public:
  PtyPair() = default;
  ~PtyPair();
  PtyPair(PtyPair&& other) noexcept;
  PtyPair& operator=(PtyPair&& other) noexcept;
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  static std::optional<PtyPair> open(std::string& error);

  int master() const { return master_; }
  const std::string& slavePath() const { return slave_path_; }
  // Closes both ends, as a pulled cable would: the client's reads fail from then on.
  void close();

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slave_path_;
};

// Makes `link` a symbolic link to `target`, atomically replacing an older link; refuses to
// replace anything that is not a symbolic link.
bool pointLink(const std::string& link, const std::string& target, std::string& error);
// Removes `link` if it is still our link to `target`.
void removeLink(const std::string& link, const std::string& target);

}  // namespace velmar::sim
