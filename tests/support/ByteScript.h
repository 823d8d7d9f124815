// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <functional>

#include "support/ManualClock.h"
#include "support/ScriptedPort.h"

namespace velmar::testing {

// Runs a byte script on a scripted port and a manual clock, one step a word:
//   +N     advance the clock N ms
//   <HEX   bytes arriving in one receive notification
//   >HEX   the one frame written since the last check;  .  nothing written
// Any other step goes to `step` with its letter and argument, which answers
// what it read (the argument itself when it holds) or "unknown step".
inline void RunByteScript(ScriptedPort& port, ManualClock& clock, const QString& script,
                          const std::function<QString(char op, const QString& arg)>& step) {
  qsizetype checked = port.writes.size();
  for (const QString& word : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    SCOPED_TRACE(word.toStdString() + " at " + std::to_string(clock.Now().count()) + " ms");
    const char op = word[0].toLatin1();
    const QString arg = word.mid(1);
    QString got = arg;
    if (op == '+') {
      clock.Advance(std::chrono::milliseconds(arg.toInt()));
    } else if (op == '<') {
      port.Deliver(QByteArray::fromHex(arg.toLatin1()));
    } else if (op == '>') {
      got = QString::fromLatin1(port.writes.value(checked++).toHex()).toUpper();
    } else if (op == '.') {
      if (port.writes.size() != checked) got = "a frame";
    } else {
      got = step(op, arg);
    }
    EXPECT_EQ(got, arg);
  }
  EXPECT_EQ(port.writes.size(), checked) << "frames written that the script does not expect";
}

}  // namespace velmar::testing
