// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <functional>

class QFileSystemModel;
class QLineEdit;
class QTreeView;

// The modal folder chooser of the data folder: a tree of folders and a path
// field in which the path of a folder that does not exist yet may be typed.
// OK on a path that names no existing folder (an empty one too) asks
// confirmMissing first; false keeps the chooser open as it is.  Creating the
// folder is left to the caller.
class FolderChooser : public QDialog
{
    Q_OBJECT
public:
    FolderChooser(const QString &title, const QString &startDir,
                  std::function<bool()> confirmMissing, QWidget *parent = nullptr);

    QString path() const;

    void accept() override;

private:
    std::function<bool()> m_confirmMissing;
    QFileSystemModel *m_model;
    QTreeView *m_tree;
    QLineEdit *m_path;
};
