// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
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

  static std::optional<PtyPair> Open(std::string& error);

  int Master() const { return m_master; }
  const std::string& SlavePath() const { return m_slavePath; }
  // Bytes written to the master that no client has read yet, and dropping them.
  std::size_t Unread() const;
  void DiscardUnread();
  // Closes both ends, as a pulled cable would: the client's reads fail from then on.
  void Close();

 private:
  int m_master = -1;
  int m_slave = -1;
  std::string m_slavePath;
};

// Makes `link` a symbolic link to `target`, atomically replacing an older link; refuses to
// replace anything that is not a symbolic link.
bool PointLink(const std::string& link, const std::string& target, std::string& error);
// Removes `link` if it is still our link to `target`.
void RemoveLink(const std::string& link, const std::string& target);

}  // namespace velmar::sim
