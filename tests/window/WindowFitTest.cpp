// SPDX-License-Identifier: GPL-3.0-or-later
// The English captions fit their controls: none needs more width than its
// control has (or than the Japanese caption, where the Japanese layout is
// already that tight), and the English window lays no control over another
// that the Japanese layout keeps apart.

#include "WindowTestSupport.h"
#include "common/TestTranslation.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QMap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QStyle>

using namespace apptest;

namespace
{

// The width a control's caption needs; 0 for a control without one.  A push
// button's size hint has a style minimum of its own, so its text is measured.
int neededWidth(QWidget *w)
{
    const QFontMetrics fm(w->font());
    if (auto *b = qobject_cast<QPushButton *>(w))
        return fm.horizontalAdvance(b->text()) +
               w->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, w) +
               2 * w->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
    if (qobject_cast<QLabel *>(w) || qobject_cast<QCheckBox *>(w))
        return w->sizeHint().width();
    if (auto *e = qobject_cast<QPlainTextEdit *>(w))
        return fm.horizontalAdvance(e->toPlainText()) - e->viewport()->width() + e->width();
    return 0;
}

class WindowFitTest : public WindowTest
{
protected:
    // The window with its progress pane shown, in the installed language:
    // the width each caption needs, and the pairs of controls that overlap.
    std::pair<QMap<QString, int>, QSet<QString>> inspect()
    {
        form.reset();
        build();
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->CheckBox1->click();
        QMap<QString, int> needs;
        QSet<QString> overlaps;
        const auto controls = form->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        for (QWidget *w : controls) {
            if (!w->isVisible())
                continue;
            needs[w->objectName()] = neededWidth(w);
            for (QWidget *o : controls)
                if (o != w && o->isVisible() && w->objectName() < o->objectName() &&
                    w->geometry().intersects(o->geometry()))
                    overlaps << w->objectName() + u'/' + o->objectName();
        }
        return {needs, overlaps};
    }
};

TEST_F(WindowFitTest, CaptionsFitAndEnglishOverlapsNothingNew)
{
    const auto [japaneseNeeds, japaneseOverlaps] = inspect();
    TestTranslation::removeJapanese();
    const auto [englishNeeds, englishOverlaps] = inspect();
    TestTranslation::installJapanese();

    ASSERT_EQ(englishNeeds.keys(), japaneseNeeds.keys());
    for (auto it = englishNeeds.begin(); it != englishNeeds.end(); ++it) {
        const int width = form->findChild<QWidget *>(it.key())->width();
        EXPECT_LE(it.value(), std::max(width, japaneseNeeds[it.key()])) << it.key().toStdString();
    }
    const QSet<QString> added = QSet<QString>(englishOverlaps).subtract(japaneseOverlaps);
    EXPECT_TRUE(added.isEmpty()) << QStringList(added.begin(), added.end()).join(u' ').toStdString();
    EXPECT_FALSE(japaneseOverlaps.isEmpty()); // the pane over the graph: the check sees overlaps
}

TEST_F(WindowFitTest, TheClockFollowsTheLanguage)
{
    build();
    tick(at(14, 5, 9));
    EXPECT_EQ(form->Label_clock->text(), QStringLiteral("現在は 2026/12/07 14:05:09"));
    TestTranslation::removeJapanese();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    tick(at(14, 5, 10));
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    TestTranslation::installJapanese();
    EXPECT_EQ(form->Label_clock->text(), QStringLiteral("Now 12/7/26 2:05:10 PM"));
}

} // namespace
