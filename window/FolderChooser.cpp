// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/FolderChooser.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QTreeView>
#include <QVBoxLayout>

FolderChooser::FolderChooser(const QString &title, const QString &startDir,
                             std::function<bool()> confirmMissing, QWidget *parent)
    : QDialog(parent), m_confirmMissing(std::move(confirmMissing)),
      m_model(new QFileSystemModel(this)), m_tree(new QTreeView(this)),
      m_path(new QLineEdit(QDir::toNativeSeparators(startDir), this))
{
    setWindowTitle(title);
    setObjectName(QStringLiteral("FolderChooser"));
    m_path->setObjectName(QStringLiteral("path"));
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setRootPath(QDir::rootPath());
    m_tree->setModel(m_model);
    for (int c = 1; c < m_model->columnCount(); ++c)
        m_tree->hideColumn(c);
    m_tree->header()->hide();
    const QModelIndex start = m_model->index(startDir);
    m_tree->setCurrentIndex(start);
    m_tree->scrollTo(start);
    m_tree->expand(start);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                m_path->setText(QDir::toNativeSeparators(m_model->filePath(current)));
            });

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tree);
    layout->addWidget(m_path);
    layout->addWidget(buttons);
    resize(420, 460);
}

QString FolderChooser::path() const
{
    return QDir::fromNativeSeparators(m_path->text().trimmed());
}

void FolderChooser::accept()
{
    if (!QFileInfo(path()).isDir() && m_confirmMissing && !m_confirmMissing())
        return;
    QDialog::accept();
}
