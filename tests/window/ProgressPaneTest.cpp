// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/ProgressPane.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

// Lines in, oldest out at the cap, every text back as it went in; picked
// lines survive the dropping of older ones and are what gets copied.
TEST(ProgressPane, KeepsTheNewestLinesAndCopiesThePickedOnes)
{
    ProgressPane pane;
    pane.resize(300, 100);
    pane.appendPlainText(QStringLiteral("Com Port /dev/ttyUSB0 Open"));
    pane.appendPlainText(QStringLiteral("  受信 *\n  受信 <0A>\n"));
    EXPECT_EQ(pane.blockCount(), 4);
    EXPECT_EQ(pane.toPlainText(),
              QStringLiteral("Com Port /dev/ttyUSB0 Open\n  受信 *\n  受信 <0A>\n"));

    pane.setMaximumBlockCount(3);
    EXPECT_EQ(pane.blockCount(), 3);
    EXPECT_EQ(pane.line(0), QStringLiteral("  受信 *"));

    pane.setFocus();
    QTest::keyClick(&pane, Qt::Key_A, Qt::ControlModifier);
    pane.appendPlainText(QStringLiteral("newest"));
    EXPECT_EQ(pane.selectedText(), QStringLiteral("  受信 <0A>\n"));
    QTest::keyClick(&pane, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("  受信 <0A>\n"));

    // The scroll range follows the lines, not the text laid out.
    pane.setMaximumBlockCount(0);
    for (int i = 0; i < 1000; ++i)
        pane.appendPlainText(QString::number(i));
    EXPECT_EQ(pane.blockCount(), 1003);
    EXPECT_GT(pane.verticalScrollBar()->maximum(), 900);
    QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, QPoint(5, 1));
    EXPECT_EQ(pane.selectedText(), pane.line(pane.verticalScrollBar()->value()));
}
