// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/UploadDialog.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

namespace
{

const QString Password = QStringLiteral("radmon_password");
const QString ApiKey = QStringLiteral("safecast_api_key");

QString sentItems(UploadService s, std::optional<double> factor)
{
    switch (s) {
    case UploadService::Radmon:
        return QCoreApplication::translate("UploadDialog", "user name, upload password, mean cpm");
    case UploadService::Gmcmap:
        return (factor
                    ? QCoreApplication::translate(
                          "UploadDialog", "account ID, counter ID, last minute's cpm, mean cpm, "
                                          "µSv/h (mean cpm ÷ conversion factor)")
                    : QCoreApplication::translate(
                          "UploadDialog", "account ID, counter ID, last minute's cpm, mean cpm"));
    case UploadService::Safecast:
        break;
    }
    return QCoreApplication::translate("UploadDialog",
                                       "API key, device ID, latitude and longitude of the site, "
                                       "mean cpm, time of measurement (UTC)");
}

} // namespace

UploadDialog::UploadDialog(const UploadSettings &settings, const UploadCredentials &credentials,
                           std::optional<double> factor, Notice notice, QWidget *parent)
    : QDialog(parent), m_settings(settings), m_factor(factor), m_notice(std::move(notice))
{
    setObjectName(QStringLiteral("UploadDialog"));
    setWindowTitle(tr("Upload to radiation maps"));
    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(tr("Sends the mean cpm of each interval to the maps turned on. "
                                "Passwords and keys are kept in a file only you can read."),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    layout->addWidget(serviceBox(
        UploadService::Radmon,
        {{QStringLiteral("radmon_user"), tr("User name")}, {Password, tr("Upload password")}},
        credentials));
    layout->addWidget(serviceBox(UploadService::Gmcmap,
                                 {{QStringLiteral("gmcmap_account"), tr("Account ID")},
                                  {QStringLiteral("gmcmap_counter"), tr("Geiger counter ID")}},
                                 credentials));
    layout->addWidget(serviceBox(UploadService::Safecast,
                                 {{ApiKey, tr("API key")},
                                  {QStringLiteral("safecast_device"), tr("Device ID")},
                                  {QStringLiteral("latitude"), tr("Latitude")},
                                  {QStringLiteral("longitude"), tr("Longitude")}},
                                 credentials));

    auto *intervalRow = new QFormLayout;
    m_interval = new QSpinBox(this);
    m_interval->setRange(Uploader::MinIntervalMinutes, Uploader::MaxIntervalMinutes);
    m_interval->setSuffix(tr(" min"));
    m_interval->setValue(settings.intervalMinutes);
    intervalRow->addRow(tr("Interval"), m_interval);
    layout->addLayout(intervalRow);

    m_advanced = new QGroupBox(tr("Advanced (server URLs)"), this);
    m_advanced->setCheckable(true);
    m_advanced->setChecked(!settings.urls.isEmpty());
    auto *urlPart = new QWidget(m_advanced);
    auto *urls = new QFormLayout(urlPart);
    urls->setContentsMargins(0, 0, 0, 0);
    for (const UploadService s : UploadServices::all()) {
        auto *edit = new QLineEdit(settings.url(s).toString(), urlPart);
        edit->setPlaceholderText(UploadServices::defaultUrl(s).toString());
        m_urls.insert(int(s), edit);
        urls->addRow(UploadServices::title(s), edit);
    }
    (new QVBoxLayout(m_advanced))->addWidget(urlPart);
    // Unchecked, the part is folded away and the services' own addresses hold.
    connect(m_advanced, &QGroupBox::toggled, urlPart, &QWidget::setVisible);
    urlPart->setVisible(m_advanced->isChecked());
    layout->addWidget(m_advanced);
    setMinimumWidth(520);

    m_problem = new QLabel(this);
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #b00000"));
    layout->addWidget(m_problem);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &UploadDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &UploadDialog::reject);
    layout->addWidget(buttons);
}

QGroupBox *UploadDialog::serviceBox(UploadService s,
                                    const QList<std::pair<QString, QString>> &fields,
                                    const UploadCredentials &credentials)
{
    auto *box = new QGroupBox(UploadServices::title(s), this);
    auto *form = new QFormLayout(box);
    auto *on = new QCheckBox(tr("Upload"), box);
    on->setChecked(m_settings.enabled.contains(s));
    m_enabled.insert(int(s), on);
    form->addRow(on);
    for (const auto &[key, label] : fields) {
        auto *edit = new QLineEdit(credentials.value(key), box);
        edit->setObjectName(key);
        if (key == Password || key == ApiKey)
            edit->setEchoMode(QLineEdit::Password);
        m_fields.insert(key, edit);
        form->addRow(label, edit);
    }
    connect(on, &QCheckBox::toggled, this, [this, s](bool checked) { onToggled(s, checked); });
    return box;
}

QString UploadDialog::noticeText(UploadService s) const
{
    const QUrl url = UploadServices::endpoint(s, QUrl(m_urls.value(int(s))->text().trimmed()));
    const QString notice =
        s == UploadService::Safecast
            ? tr("Every %3 minutes this is sent to %1 (%2):\n%4.\n\nThe values sent appear on "
                 "the public map of %1, with the site, for anyone to see.\nStart sending?")
            : tr("Every %3 minutes this is sent to %1 (%2):\n%4.\n\nThe values sent appear on "
                 "the public map of %1 for anyone to see.\nStart sending?");
    return notice.arg(UploadServices::title(s),
                      url.toString(QUrl::RemoveQuery | QUrl::RemoveUserInfo),
                      QString::number(m_interval->value()), sentItems(s, m_factor));
}

void UploadDialog::onToggled(UploadService s, bool on)
{
    if (!on || m_settings.noticeShown.contains(s))
        return;
    if (m_notice && m_notice(UploadServices::title(s), noticeText(s))) {
        m_settings.noticeShown.insert(s);
        return;
    }
    QCheckBox *box = m_enabled.value(int(s));
    const QSignalBlocker blocker(box);
    box->setChecked(false);
}

UploadSettings UploadDialog::settings() const
{
    UploadSettings out = m_settings;
    out.enabled.clear();
    out.urls.clear();
    for (const UploadService s : UploadServices::all()) {
        if (m_enabled.value(int(s))->isChecked())
            out.enabled.insert(s);
        const QUrl url(m_urls.value(int(s))->text().trimmed(), QUrl::StrictMode);
        if (m_advanced->isChecked() && UploadServices::isUsableUrl(url) &&
            url != UploadServices::defaultUrl(s))
            out.urls.insert(s, url);
    }
    out.intervalMinutes = m_interval->value();
    return out;
}

UploadCredentials UploadDialog::credentials() const
{
    UploadCredentials out;
    for (auto it = m_fields.cbegin(); it != m_fields.cend(); ++it)
        out.setValue(it.key(), it.value()->text());
    return out;
}

QStringList UploadDialog::problems() const
{
    QStringList out;
    const UploadCredentials c = credentials();
    for (const UploadService s : UploadServices::all()) {
        if (!m_enabled.value(int(s))->isChecked())
            continue;
        for (const QString &problem : c.problems(s))
            out << UploadServices::title(s) + QStringLiteral(": ") + problem;
        const QUrl url(m_urls.value(int(s))->text().trimmed(), QUrl::StrictMode);
        if (m_advanced->isChecked() && !UploadServices::isUsableUrl(url))
            out << tr("%1: the URL must start with http:// or https://")
                       .arg(UploadServices::title(s));
    }
    return out;
}

void UploadDialog::accept()
{
    const QStringList wrong = problems();
    m_problem->setText(wrong.join(u'\n'));
    if (wrong.isEmpty())
        QDialog::accept();
}
