// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/PortComboBox.h"

#include "window/ElidingLineEdit.h"
#include "serial/SerialPortList.h"

#include <QAbstractItemView>
#include <QFileInfo>
#include <QStyledItemDelegate>

namespace
{

constexpr int DescriptionRole = Qt::UserRole + 1;

// Draws an entry as its name followed by its description, so that the list
// tells two converters apart while the field keeps the short name.
class DescribedEntryDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString description = index.data(DescriptionRole).toString();
        if (!description.isEmpty())
            option->text += QStringLiteral("   ") + description;
    }
};

} // namespace

PortComboBox::PortComboBox(QWidget *parent) : QComboBox(parent)
{
    setItemDelegate(new DescribedEntryDelegate(this));
    connect(this, &QComboBox::currentTextChanged, this, &QWidget::setToolTip);
}

void PortComboBox::useElidingField()
{
    setLineEdit(new ElidingLineEdit(this));
}

void PortComboBox::showPopup()
{
    emit dropDown();
    QComboBox::showPopup();
}

QString PortComboBox::selectedEntry() const
{
    const int i = currentIndex();
    if (i < 0 || (isEditable() && currentText() != itemText(i)))
        return {};
    return itemText(i);
}

QString PortComboBox::description(int i) const
{
    return itemData(i, DescriptionRole).toString();
}

void PortComboBox::replaceEntries(const QList<SerialPortList::Port> &ports)
{
    const QString shown = currentText();
    const bool wasSelected = !selectedEntry().isEmpty();
    clear();
    int again = -1;
    for (const SerialPortList::Port &port : ports) {
        if (wasSelected && again < 0 && port.name == shown)
            again = count();
        addItem(port.name);
        setItemData(count() - 1, port.description, DescriptionRole);
    }
    // A device path chosen before stays chosen while the list does not show
    // it (an adapter unplugged for now): it is never swapped for another port.
    if (wasSelected && again < 0 && shown.startsWith(u'/')) {
        addItem(shown);
        again = count() - 1;
    }
    setCurrentIndex(again);
    if (isEditable())
        setEditText(shown);
    // The field is narrow; the list shows names and descriptions whole.
    view()->setMinimumWidth(std::max(width(), view()->sizeHintForColumn(0) + 24));
    setToolTip(currentText());
}

int PortComboBox::entryFor(const QString &stored, int entries) const
{
    const int last = std::min(entries, count());
    for (int i = 0; i < last; ++i) {
        if (itemText(i) == stored)
            return i;
    }
    if (!stored.contains(u'/'))
        return -1;
    const QString device = QFileInfo(stored).canonicalFilePath();
    for (int i = 0; i < last && !device.isEmpty(); ++i) {
        if (QFileInfo(SerialPortList::resolve(itemText(i))).canonicalFilePath() == device)
            return i;
    }
    return -1;
}
