// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/QtPrompts.h"

#include "window/ErrorText.h"
#include "window/FolderChooser.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

#include <cstdio>

namespace
{

QMessageBox::Icon toQt(Prompts::Icon icon)
{
    switch (icon) {
    case Prompts::Icon::Information:
        return QMessageBox::Information;
    case Prompts::Icon::Warning:
        return QMessageBox::Warning;
    case Prompts::Icon::Error:
        return QMessageBox::Critical;
    case Prompts::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// Message texts break their lines with CR as the boxes of the original
// platform do; Qt's boxes want LF.
QString forDisplay(const QString &text)
{
    QString t = text;
    return t.replace(u'\r', u'\n');
}

bool s_unattended = false;

// A box opened while a dialog is up (the folder chooser's question) belongs
// to that dialog, so that it stays above it; any other to the window.
QWidget *owner(QWidget *window)
{
    QWidget *modal = QApplication::activeModalWidget();
    return modal && modal->isVisible() ? modal : window;
}

// What a box would have said, for whoever reads the program's output later.
void toStandardError(const QString &title, const QString &text)
{
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(title), qUtf8Printable(forDisplay(text)));
    std::fflush(stderr);
}

} // namespace

void QtPrompts::setUnattended()
{
    s_unattended = true;
}

QString QtPrompts::logFilter()
{
    // "LOG DATA(*.CSV)|*.CSV|All files (*.*)|*.*" in Qt's notation.
    return QCoreApplication::translate("QtPrompts", "LOG DATA(*.CSV) (*.CSV);;All files (*.*) (*)");
}

void QtPrompts::reportError(const QString &text)
{
    const QString shown = ErrorText::withFullStop(text);
    if (s_unattended)
        return toStandardError(QApplication::applicationName(), shown);
    m_errorBoxes.removeAll(nullptr);
    for (const auto &box : std::as_const(m_errorBoxes))
        if (box->text() == shown)
            return;
    auto *box = new QMessageBox(QMessageBox::Critical, QApplication::applicationName(), shown,
                                QMessageBox::Ok, m_window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->setObjectName(QStringLiteral("standardErrorReport"));
    m_errorBoxes.append(box);
    box->show();
}

void QtPrompts::withdrawError(const QString &text)
{
    const QString shown = ErrorText::withFullStop(text);
    m_errorBoxes.removeAll(nullptr);
    for (const auto &box : std::as_const(m_errorBoxes))
        if (box->text() == shown)
            box->close();
}

void QtPrompts::message(const QString &title, const QString &text, Icon icon)
{
    if (s_unattended)
        return toStandardError(title, text);
    QMessageBox box(toQt(icon), title, forDisplay(text), QMessageBox::Ok, owner(m_window));
    box.exec();
}

bool QtPrompts::confirm(const QString &title, const QString &text, Icon icon, bool cancelIsDefault)
{
    if (s_unattended) {
        toStandardError(title, text + QStringLiteral(" -> Cancel"));
        return false;
    }
    QMessageBox box(toQt(icon), title, forDisplay(text), QMessageBox::Ok | QMessageBox::Cancel,
                    owner(m_window));
    box.setDefaultButton(cancelIsDefault ? QMessageBox::Cancel : QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

bool QtPrompts::askYesNo(const QString &title, const QString &text)
{
    if (s_unattended) {
        toStandardError(title, text + QStringLiteral(" -> No"));
        return false;
    }
    QMessageBox box(QMessageBox::Question, title, forDisplay(text),
                    QMessageBox::Yes | QMessageBox::No, owner(m_window));
    return box.exec() == QMessageBox::Yes;
}

void QtPrompts::beep()
{
    QApplication::beep();
}

namespace
{

// A log file dialog at the initial folder, proposing the given file.
QString runLogDialog(QWidget *window, QFileDialog::AcceptMode mode, const QString &initialDir,
                     const QString &proposed)
{
    if (s_unattended)
        return QString();
    QFileDialog dialog(window, QString(), initialDir, QtPrompts::logFilter());
    dialog.setAcceptMode(mode);
    // A name that does not exist may be typed into the open dialog (the
    // window reports it), and the window asks about replacing a file itself,
    // after forcing ".CSV".
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // The file type box shows each filter's name as given; Qt's own dialog
    // on every desktop, since the native ones rewrite those names.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (!proposed.isEmpty())
        dialog.selectFile(proposed);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

} // namespace

QString QtPrompts::saveFileName(const QString &initialDir, const QString &proposed)
{
    return runLogDialog(m_window, QFileDialog::AcceptSave, initialDir, proposed);
}

QString QtPrompts::openFileName(const QString &initialDir, const QString &proposed)
{
    return runLogDialog(m_window, QFileDialog::AcceptOpen, initialDir, proposed);
}

std::optional<QString> QtPrompts::chooseFolder(const QString &title, const QString &startDir,
                                               const std::function<bool()> &confirmMissing)
{
    if (s_unattended)
        return std::nullopt;
    FolderChooser chooser(title, startDir, confirmMissing, m_window);
    if (chooser.exec() != QDialog::Accepted)
        return std::nullopt;
    return chooser.path();
}
