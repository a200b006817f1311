// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "upload/UploadCredentials.h"
#include "upload/UploadSettings.h"

#include <QDialog>
#include <QHash>

#include <functional>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// The window's dialog for the map uploads: each map switched on or off with
// its account fields, the interval, and in an advanced part (folded away
// until its box is ticked) each map's address and a CA file to trust.  The first time a map is switched on, a privacy notice says what
// is sent where (for Safecast the location too); declining leaves it off.
// OK is refused, with the reason shown in the dialog, while a map that is on
// lacks a field, an address is no http(s) URL or the CA file holds no
// certificate.  An address that would carry a secret in clear (plain http
// to another machine) is warned about as it is typed.
//
// GUI thread.  The dialog only edits copies; the window keeps what
// settings() and credentials() return after OK.
class UploadDialog : public QDialog
{
    Q_OBJECT
public:
    // Shows a privacy notice; true when the user agrees.
    using Notice = std::function<bool(const QString &title, const QString &text)>;

    UploadDialog(const UploadSettings &settings, const UploadCredentials &credentials,
                 std::optional<double> factor, Notice notice, QWidget *parent = nullptr);

    UploadSettings settings() const;
    UploadCredentials credentials() const;

    // The notice for `service` with the address it would send to.
    QString noticeText(UploadService service) const;

    // The controls, for tests.
    QCheckBox *enabledBox(UploadService s) const { return m_enabled.value(int(s)); }
    QLineEdit *field(const QString &key) const { return m_fields.value(key); }
    QLineEdit *urlField(UploadService s) const { return m_urls.value(int(s)); }
    QSpinBox *intervalBox() const { return m_interval; }
    QCheckBox *advancedBox() const { return m_advanced; }
    QLineEdit *caFileField() const { return m_caFile; }
    QLabel *problemLabel() const { return m_problem; }
    QLabel *warningLabel() const { return m_warning; }

    void accept() override;

private:
    QGroupBox *serviceBox(UploadService s, const QList<std::pair<QString, QString>> &fields,
                          const UploadCredentials &credentials);
    QWidget *advancedPart(const UploadSettings &settings);
    void onToggled(UploadService s, bool on);
    QStringList problems() const;
    void updateWarning();

    UploadSettings m_settings;
    std::optional<double> m_factor;
    Notice m_notice;
    QHash<int, QCheckBox *> m_enabled;
    QHash<QString, QLineEdit *> m_fields;
    QHash<int, QLineEdit *> m_urls;
    QSpinBox *m_interval = nullptr;
    QCheckBox *m_advanced = nullptr;
    QLineEdit *m_caFile = nullptr;
    QLabel *m_problem = nullptr;
    QLabel *m_warning = nullptr;
};
