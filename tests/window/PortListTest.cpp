// SPDX-License-Identifier: GPL-3.0-or-later
// The port list in the window: short names in the field, descriptions in a
// drop-down wider than the field, and a listed name that the start opens.

#include "WindowTestSupport.h"

#include "window/ElidingLineEdit.h"
#include "serial/SerialPortList.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFile>

using namespace apptest;

class PortListTest : public WindowTest
{
};

TEST_F(PortListTest, NamesInTheFieldDescriptionsInTheListAndTheNameOpens)
{
    ASSERT_TRUE(sim.openPty());
    const QString folder = SerialPortList::defaultLinkFolder();
    ASSERT_TRUE(SerialPortList::makeOwnFolder(folder));
    const QString name = QStringLiteral("simulated-%1").arg(::getpid());
    const QString link = QDir(folder).filePath(name);
    ASSERT_TRUE(sim.publish(link.toStdString()));
    portList = QStringList{QStringLiteral("ttyTORVALE-none"), name};

    // A settings file of an older version holds the link's whole path: the
    // restore picks the entry of the same device.
    ASSERT_TRUE(writeFile(tempPath(QStringLiteral("torvale.ini")),
                          "[TORVALE]\r\nportname=" + QFile::encodeName(link) + "\r\n"));
    build();
    PortComboBox *list = form->ComboBox1;
    EXPECT_EQ(list->selectedEntry(), name);
    form->ComboBox1DropDown();
    EXPECT_EQ(list->currentText(), name) << "the field keeps its text";
    EXPECT_EQ(list->selectedEntry(), name);
    EXPECT_EQ(list->description(1), QStringLiteral("simulator"));
    EXPECT_EQ(list->description(0), QString());
    EXPECT_GT(list->view()->minimumWidth(), list->width() + 40)
        << "the list is wide enough for the description";

    EXPECT_EQ(list->entryFor(name, 11), 1);
    EXPECT_EQ(list->entryFor(link, 11), 1);
    EXPECT_EQ(list->entryFor(link, 1), -1) << "only the entries compared";
    EXPECT_EQ(list->entryFor(QStringLiteral("/dev/null"), 11), -1);

    startMeasuring(QDateTime(QDate(2026, 12, 7), QTime(10, 20, 30)));
    EXPECT_TRUE(form->measuring());
    form->Button_stopClick();
}

// A name too long for the narrow field shows smaller, and when even that is
// not enough its end, which tells two ports apart; whole in the tooltip.
// The field keeps its place and size.
TEST_F(PortListTest, ALongNameShowsItsEndAndWholeInTheTooltip)
{
    build();
    PortComboBox *list = form->ComboBox1;
    const QRect place = list->geometry();
    auto *field = qobject_cast<ElidingLineEdit *>(list->lineEdit());
    ASSERT_NE(field, nullptr);
    const QString name = QStringLiteral("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    list->setEditText(name);
    const ElidingLineEdit::Shown elided = field->shown();
    EXPECT_TRUE(elided.text.startsWith(u'…')) << elided.text.toStdString();
    EXPECT_TRUE(elided.text.endsWith(QStringLiteral("0")));
    EXPECT_LT(elided.font.pixelSize(), list->font().pixelSize());
    EXPECT_EQ(field->toolTip(), name);
    EXPECT_EQ(list->toolTip(), name);
    list->setEditText(QStringLiteral("com1"));
    EXPECT_EQ(field->shown().text, QStringLiteral("com1"));
    EXPECT_EQ(field->shown().font, list->font());
    EXPECT_EQ(list->geometry(), place);
}
