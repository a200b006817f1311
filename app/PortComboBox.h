#pragma once

#include <QComboBox>

// The port list: a drop-down list with an edit field that announces each
// drop-down before it opens, so the window can refill it first.
class PortComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit PortComboBox(QWidget *parent = nullptr);

    void showPopup() override;

    // The text of the selected entry; empty when no entry is selected (text
    // typed into the field is not an entry).
    QString selectedEntry() const;
    // Replaces the entries, keeping the text shown in the field.  The entry
    // equal to that text, if any, stays selected.
    void replaceEntries(const QStringList &entries);

signals:
    void dropDown();
};
