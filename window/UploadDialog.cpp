// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/UploadDialog.h"

#include <QCheckBox>
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
        return QStringLiteral("ユーザー名、データ送信用パスワード、平均cpm");
    case UploadService::Gmcmap:
        return QStringLiteral("アカウントID、ガイガーカウンターID、最新1分のcpm、平均cpm") +
               (factor ? QStringLiteral("、µSv/h（平均cpm÷換算係数）") : QString());
    case UploadService::Safecast:
        break;
    }
    return QStringLiteral("APIキー、デバイスID、設置場所の緯度と経度、平均cpm、測定時刻（UTC）");
}

} // namespace

UploadDialog::UploadDialog(const UploadSettings &settings, const UploadCredentials &credentials,
                           std::optional<double> factor, Notice notice, QWidget *parent)
    : QDialog(parent), m_settings(settings), m_factor(factor), m_notice(std::move(notice))
{
    setObjectName(QStringLiteral("UploadDialog"));
    setWindowTitle(QStringLiteral("放射線マップへのアップロード"));
    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(
        QStringLiteral("オンにした地図へ、一定間隔ごとにその間の平均cpmを送ります。"
                       "パスワードとキーは本人だけが読めるファイルに保存されます。"),
        this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    layout->addWidget(serviceBox(UploadService::Radmon,
                                 {{QStringLiteral("radmon_user"), QStringLiteral("ユーザー名")},
                                  {Password, QStringLiteral("データ送信用パスワード")}},
                                 credentials));
    layout->addWidget(
        serviceBox(UploadService::Gmcmap,
                   {{QStringLiteral("gmcmap_account"), QStringLiteral("アカウントID")},
                    {QStringLiteral("gmcmap_counter"), QStringLiteral("ガイガーカウンターID")}},
                   credentials));
    layout->addWidget(serviceBox(UploadService::Safecast,
                                 {{ApiKey, QStringLiteral("APIキー")},
                                  {QStringLiteral("safecast_device"), QStringLiteral("デバイスID")},
                                  {QStringLiteral("latitude"), QStringLiteral("緯度")},
                                  {QStringLiteral("longitude"), QStringLiteral("経度")}},
                                 credentials));

    auto *intervalRow = new QFormLayout;
    m_interval = new QSpinBox(this);
    m_interval->setRange(Uploader::MinIntervalMinutes, Uploader::MaxIntervalMinutes);
    m_interval->setSuffix(QStringLiteral(" 分"));
    m_interval->setValue(settings.intervalMinutes);
    intervalRow->addRow(QStringLiteral("送信間隔"), m_interval);
    layout->addLayout(intervalRow);

    m_advanced = new QCheckBox(QStringLiteral("詳細設定（送信先のURL）"), this);
    m_advanced->setChecked(!settings.urls.isEmpty() || !settings.caFile.isEmpty());
    layout->addWidget(m_advanced);
    layout->addWidget(advancedPart(settings));
    setMinimumWidth(520);

    m_warning = new QLabel(this);
    m_warning->setWordWrap(true);
    m_warning->setStyleSheet(QStringLiteral("color: #a05000"));
    layout->addWidget(m_warning);
    m_problem = new QLabel(this);
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #b00000"));
    layout->addWidget(m_problem);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &UploadDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &UploadDialog::reject);
    layout->addWidget(buttons);
    updateWarning();
}

QWidget *UploadDialog::advancedPart(const UploadSettings &settings)
{
    // No frame of its own: unticked, the part is folded away without leaving
    // an empty box, and the services' own addresses hold.
    auto *part = new QWidget(this);
    auto *form = new QFormLayout(part);
    form->setContentsMargins(20, 0, 0, 0);
    for (const UploadService s : UploadServices::all()) {
        auto *edit = new QLineEdit(settings.url(s).toString(), part);
        edit->setPlaceholderText(UploadServices::defaultUrl(s).toString());
        m_urls.insert(int(s), edit);
        form->addRow(UploadServices::title(s), edit);
        connect(edit, &QLineEdit::textChanged, this, &UploadDialog::updateWarning);
    }
    m_caFile = new QLineEdit(settings.caFile, part);
    m_caFile->setPlaceholderText(tr("the system's CAs"));
    form->addRow(tr("CA file (PEM)"), m_caFile);
    part->setVisible(m_advanced->isChecked());
    connect(m_advanced, &QCheckBox::toggled, this, [this, part](bool on) {
        part->setVisible(on);
        updateWarning();
        adjustSize();
    });
    return part;
}

void UploadDialog::updateWarning()
{
    QStringList lines;
    for (const UploadService s : UploadServices::all()) {
        const QUrl url(m_urls.value(int(s))->text().trimmed(), QUrl::StrictMode);
        if (m_advanced->isChecked() && m_enabled.value(int(s))->isChecked())
            lines << UploadServices::clearTextWarning(s, url);
    }
    lines.removeAll(QString());
    m_warning->setText(lines.join(u'\n'));
    m_warning->setVisible(!lines.isEmpty());
}

QGroupBox *UploadDialog::serviceBox(UploadService s,
                                    const QList<std::pair<QString, QString>> &fields,
                                    const UploadCredentials &credentials)
{
    auto *box = new QGroupBox(UploadServices::title(s), this);
    auto *form = new QFormLayout(box);
    auto *on = new QCheckBox(QStringLiteral("アップロードする"), box);
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
    connect(on, &QCheckBox::toggled, this, [this, s](bool checked) {
        onToggled(s, checked);
        updateWarning();
    });
    return box;
}

QString UploadDialog::noticeText(UploadService s) const
{
    const QUrl url = UploadServices::endpoint(s, QUrl(m_urls.value(int(s))->text().trimmed()));
    return UploadServices::title(s) + QStringLiteral("（") +
           url.toString(QUrl::RemoveQuery | QUrl::RemoveUserInfo) + QStringLiteral("）へ、") +
           QString::number(m_interval->value()) + QStringLiteral("分ごとに次を送信します：\n") +
           sentItems(s, m_factor) + QStringLiteral("。\n\n送った値は") +
           UploadServices::title(s) +
           (s == UploadService::Safecast
                ? QStringLiteral("の公開地図に、設置場所とともに誰でも見られる形で載ります。")
                : QStringLiteral("の公開地図に誰でも見られる形で載ります。")) +
           QStringLiteral("\n送信を始めますか？");
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
    out.caFile = m_advanced->isChecked() ? m_caFile->text().trimmed() : QString();
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
            out << UploadServices::title(s) + QStringLiteral(": URLは http:// か https:// で");
    }
    const QString caFile = settings().caFile;
    if (!caFile.isEmpty() && !Uploader::caFileProblem(caFile).isEmpty())
        out << Uploader::caFileProblem(caFile);
    return out;
}

void UploadDialog::accept()
{
    const QStringList wrong = problems();
    m_problem->setText(wrong.join(u'\n'));
    if (wrong.isEmpty())
        QDialog::accept();
}
