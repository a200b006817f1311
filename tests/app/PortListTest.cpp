// The port list in the window: short names in the field, descriptions in a
// drop-down wider than the field, and a listed name that the start opens.

#include "WindowTestSupport.h"

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
