#include "app/PortComboBox.h"

#include <QAbstractItemView>

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

void PortComboBox::replaceEntries(const QStringList &entries)
{
    const QString shown = currentText();
    const bool wasSelected = !selectedEntry().isEmpty();
    clear();
    addItems(entries);
    const int again = wasSelected ? entries.indexOf(shown) : -1;
    setCurrentIndex(again);
    if (isEditable())
        setEditText(shown);
    // Device paths are wider than the field; let the list show them whole.
    view()->setMinimumWidth(std::max(width(), view()->sizeHintForColumn(0) + 24));
}
