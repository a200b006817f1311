#include "app/PortComboBox.h"

#include <QAbstractItemView>

PortComboBox::PortComboBox(QWidget *parent) : QComboBox(parent)
{
    connect(this, &QComboBox::currentTextChanged, this, &QWidget::setToolTip);
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
    // Device paths are wider than the field; let the list show them whole,
    // and the field tell its whole text when pointed at.
    view()->setMinimumWidth(std::max(width(), view()->sizeHintForColumn(0) + 24));
    setToolTip(currentText());
}
