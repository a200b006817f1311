// SPDX-License-Identifier: GPL-3.0-or-later
// Each counter's protocol on bytes written by hand from the makers' published documents:
// split reads, garbage, missed answers, restarts and the wrong kind of counter.

#include "counter/GmcCounter.h"
#include "counter/LineCounter.h"
#include "counter/RadProCounter.h"

#include <gtest/gtest.h>

namespace
{

// Drives one counter and keeps what its calls asked for.
struct Drive {
    explicit Drive(Counter &c) : counter(c) {}
    Counter &counter;
    Counter::Step all;
    qint64 now = 0;

    QByteArray take(Counter::Step step)
    {
        all.pulses += step.pulses;
        all.notes += step.notes;
        all.errors += step.errors;
        return step.send;
    }
    QByteArray begin() { Counter::Step s; counter.begin(now, s); return take(s); }
    QByteArray feed(const QByteArray &bytes, qint64 at)
    {
        now = at;
        Counter::Step s;
        counter.feed(bytes.constData(), bytes.size(), now, s);
        return take(s);
    }
    QByteArray tick(qint64 at) { now = at; Counter::Step s; counter.tick(now, s); return take(s); }
    QByteArray end() { Counter::Step s; counter.end(s); return take(s); }
};

} // namespace

TEST(GmcCounterTest, NamesTheModelThenCountsEachSecondsHeartbeat)
{
    GmcCounter gmc;
    Drive d(gmc);
    EXPECT_EQ(d.begin(), QByteArray("<HEARTBEAT0>><GETVER>>"));
    EXPECT_EQ(d.feed("\x01GMC-300R", 10), QByteArray()); // a stray heartbeat byte before it
    EXPECT_EQ(d.feed("e 2.10", 20), QByteArray("<HEARTBEAT1>>"));
    EXPECT_EQ(d.all.notes, QStringList{QStringLiteral("GQ GMC counter: GMC-300Re 2.10")});
    // Bits 15 and 14 are reserved: C0 1C counts 28.  A heartbeat's two bytes in two reads.
    d.feed(QByteArray("\xC0\x1C", 2), 1000);
    d.feed(QByteArray("\x00", 1), 2000);
    d.feed(QByteArray("\x05", 1), 2010);
    EXPECT_EQ(d.all.pulses, 33);
    // A lone byte left over is dropped once the next second comes, and told once.
    d.feed(QByteArray("\x00", 1), 2100);
    d.feed(QByteArray("\x00\x02", 2), 3000);
    d.feed(QByteArray("\x00", 1), 3100);
    d.feed(QByteArray("\x00\x03", 2), 4000);
    EXPECT_EQ(d.all.pulses, 38);
    EXPECT_EQ(d.all.errors.size(), 1);
    // Two seconds without a heartbeat, then two late frames together: one more missing.
    d.feed(QByteArray("\x00\x01", 2), 7000);
    d.feed(QByteArray("\x00\x01\x00\x01", 4), 10000);
    EXPECT_EQ(gmc.secondsMissing(), 3);
    EXPECT_EQ(d.all.notes.size(), 3);
    EXPECT_TRUE(d.all.notes.last().contains(QStringLiteral("(3 in all)")));
    EXPECT_EQ(d.end(), QByteArray("<HEARTBEAT0>>"));
}

TEST(GmcCounterTest, LaterModelsSendFourBytesAndSilenceNamesTheKind)
{
    GmcCounter gmc;
    Drive d(gmc);
    d.begin();
    EXPECT_EQ(d.tick(4000), QByteArray());
    EXPECT_EQ(d.tick(5000), QByteArray("<GETVER>>")); // asked again, told once
    d.tick(10000);
    ASSERT_EQ(d.all.errors.size(), 1);
    EXPECT_TRUE(d.all.errors[0].contains(QStringLiteral("GQ GMC counter")));
    d.feed("GMC-600+Re 1.14", 10100);
    EXPECT_EQ(GmcCounter::frameSize(gmc.model()), 4);
    d.feed(QByteArray("\x00\x00\x01", 3), 11000);
    d.feed(QByteArray("\x2C", 1), 11001);
    EXPECT_EQ(d.all.pulses, 300);
}

TEST(RadProCounterTest, CountsTheDifferenceOfCumulativeReadings)
{
    RadProCounter rp;
    Drive d(rp);
    EXPECT_EQ(d.begin(), QByteArray("GET deviceId\r\n"));
    // The answer in three pieces.
    d.feed("OK FS2011 (STM32F0", 10);
    d.feed("51C8);Rad Pro 2.0/en;b5706d937087", 20);
    d.feed("f975b5812810\r\n", 30);
    EXPECT_EQ(rp.hardware(), QStringLiteral("FS2011 (STM32F051C8)"));
    ASSERT_EQ(d.all.notes.size(), 1);
    EXPECT_EQ(d.tick(1000), QByteArray("GET tubePulseCount\r\n"));
    d.feed("OK 1500\r\n", 1010); // the base
    d.tick(2000);
    d.feed("OK 1600\r\n", 2010);
    EXPECT_EQ(d.all.pulses, 100);
    // A missed answer: asked again after the wait, the next reading holds its pulses.
    d.tick(3000);
    EXPECT_EQ(d.tick(4000), QByteArray());
    EXPECT_EQ(d.tick(6000), QByteArray("GET tubePulseCount\r\n"));
    d.feed("OK 1650\r\n", 6010);
    EXPECT_EQ(rp.missedReplies(), 1);
    EXPECT_EQ(d.all.pulses, 150);
    // Garbage and an ERROR are never counted; told once.
    d.feed(QByteArray("\x01\x02zz\r\nERROR\r\n", 13), 6100);
    EXPECT_EQ(d.all.errors.size(), 1);
    // A restart: the count goes back and the pulses since count.
    d.tick(7000);
    d.feed("OK 20\r\n", 7010);
    EXPECT_EQ(d.all.pulses, 170);
    EXPECT_TRUE(d.all.notes.last().contains(QStringLiteral("from 1650 to 20")));
    // A reconnect of the same device in time counts the outage's pulses.
    rp.lost(8000);
    d.begin();
    d.feed("OK FS2011 (STM32F051C8);Rad Pro 2.0/en;b5706d937087f975b5812810\r\n", 9000);
    d.tick(9000);
    d.feed("OK 70\r\n", 9010);
    EXPECT_EQ(d.all.pulses, 220);
    // Another device: its first reading is only a base.
    rp.lost(10000);
    d.begin();
    d.feed("OK Bosean FS-600;Rad Pro 2.0/en;other\r\n", 11000);
    d.tick(11000);
    d.feed("OK 5000\r\n", 11010);
    EXPECT_EQ(d.all.pulses, 220);
}

TEST(RadProCounterTest, WrapsAt32BitsAndNamesTheKindWhenSilent)
{
    RadProCounter rp;
    Drive d(rp);
    d.begin();
    d.tick(5000);
    ASSERT_EQ(d.all.errors.size(), 1);
    EXPECT_TRUE(d.all.errors[0].contains(QStringLiteral("Rad Pro counter")));
    d.feed("OK Rad Pro simulator;Rad Pro 2.0/en;1\r\n", 5100);
    d.tick(6000);
    d.feed("OK 4294967290\r\n", 6010);
    d.tick(7000);
    d.feed("OK 4\r\n", 7010);
    EXPECT_EQ(d.all.pulses, 10);
}

TEST(LineCounterTest, CountsCpsLinesAndNeverGarbage)
{
    LineCounter lines;
    Drive d(lines);
    d.begin();
    d.feed("CPS, 5, CP", 10);
    d.feed("M, 300, uSv/hr, 1.71, SL", 20);
    d.feed("OW\r\n", 30);
    EXPECT_EQ(d.all.pulses, 5);
    ASSERT_EQ(d.all.notes.size(), 1);
    d.feed("CPS, x, CPM, 1\r\nhello\r\nCPS, -3\r\n\r\n", 1000);
    d.feed(QByteArray(300, '7') + "\r\nCPS, 2, CPM, 120, uSv/hr, 0.68, SLOW\n", 2000);
    EXPECT_EQ(d.all.pulses, 7);
    EXPECT_EQ(lines.unreadableLines(), 4);
    EXPECT_EQ(d.all.errors.size(), 1);
    d.end();
    EXPECT_TRUE(d.all.notes.last().contains(QStringLiteral("4 unreadable")));
}

TEST(LineCounterTest, NoLineWithinFiveSecondsNamesTheKind)
{
    LineCounter lines;
    Drive d(lines);
    d.begin();
    d.feed(QByteArray("\xC0\x1C", 2), 100);
    d.tick(4900);
    EXPECT_TRUE(d.all.errors.isEmpty());
    d.tick(5000);
    d.tick(6000);
    ASSERT_EQ(d.all.errors.size(), 1);
    EXPECT_TRUE(d.all.errors[0].contains(QStringLiteral("text-line counter")));
}
