// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QList>

#include "device/SensorLine.h"

namespace velmar {
namespace {

std::string Render(const std::vector<SensorSample>& samples) {
  std::string text;
  for (const SensorSample& s : samples) {
    text += (text.empty() ? "" : " ") + std::to_string(s.at.count()) + ':';
    for (const auto& [name, v] :
         {std::pair{'t', s.thrust}, {'q', s.torque}, {'i', s.current}, {'v', s.voltage}})
      if (v) text += name + QByteArray::number(*v).toStdString();
  }
  return text;
}

// Bytes, fed in the pieces | cuts them into, a piece a millisecond ($L: 257 bytes of a
// pair line, $X: byte 0xB5) => the samples, stamped when their line completed, and how many
// lines were skipped.
const std::tuple<const char*, const char*, int> kLines[] = {
    {"thrust_g:512.3 torque_nm:-0.04 current_a:12.10 voltage_v:15.92\n",
     "0:t512.3q-0.04i12.1v15.92", 0},
    {"thrust_g:1,current_a:2\tvoltage_v:3\r\n\r\n  \n", "0:t1i2v3", 0},
    {"thrust_g:1 rpm:9 seq:3\nrpm:9\n", "0:t1", 0},  // unknown names ignored
    {"thrust_g:5|12\n", "1:t512", 0},                // a line completes where its '\n' comes
    {"thrust_g:1|\nthrust_g:2\n|thrust_g:3", "1:t1 1:t2", 0},
    // CSV: rows only under a header, which may come late and again with other columns.
    {"1,2,3,4\nthrust_g,torque_nm,current_a,voltage_v\n1,2,3,4\n 5 , 6,7,8\n",
     "0:t1q2i3v4 0:t5q6i7v8", 1},
    {"thrust_g,current_a\n1,2\nthrust_g,x,voltage_v\n3,4,5\n", "0:t1i2 0:t3v5", 0},
    {"thrust_g,current_a\n1\n1,2,3\n1,,\n1,x\n", "", 4},  // field counts, an empty field
    {"Tare complete\nReady\nx,y\nHX711 ok: 1\n", "", 4},  // the board's own text
    {"thrust_g:nan\nthrust_g:inf\ncurrent_a:1e999\nthrust_g:0x10\nthrust_g:+1\nthrust_g:\n", "", 6},
    {"thrust_g:1 current_a\nthrust_g::1\n:1\nthrust_g:1:2\n", "", 4},
    {"thrust_g:$X\n$Xthrust_g:1\nthrust_g:1\x01\n", "", 3},    // not ASCII
    {"$L\nthrust_g:7\n", "0:t7", 1},                           // too long, then good
    {"$L|$L|\nthrust_g:7\n", "2:t7", 1},                       // too long, in pieces
    {"thrust_g:1 current_a:2|junk\nthrust_g:3\n", "1:t3", 1},  // a partial line joins the next
};

TEST(SensorLine, SamplesGoodLinesAndSkipsAndCountsEveryBadOne) {
  for (const auto& [in, want, skipped] : kLines) {
    QByteArray bytes(in);
    bytes.replace("$L", "thrust_g:" + QByteArray(248, '1')).replace("$X", "\xb5");
    SensorLineReader reader;
    std::vector<SensorSample> samples;
    int ms = 0;
    for (const QByteArray& piece : bytes.split('|'))
      reader.Feed(piece, std::chrono::milliseconds(ms++), &samples);
    EXPECT_EQ(Render(samples), want) << in;
    EXPECT_EQ(reader.Skipped(), skipped) << in;
  }
}

}  // namespace
}  // namespace velmar
