#pragma once

#include <QDialog>

class QFileSystemModel;
class QLineEdit;
class QTreeView;

// The modal folder chooser of the data folder: a tree of folders and a path
// field in which the path of a folder that does not exist yet may be typed.
// The window asks whether to create a missing folder; this dialog only
// returns the path.
class FolderChooser : public QDialog
{
    Q_OBJECT
public:
    FolderChooser(const QString &title, const QString &startDir, QWidget *parent = nullptr);

    QString path() const;

private:
    QFileSystemModel *m_model;
    QTreeView *m_tree;
    QLineEdit *m_path;
};
