// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowTestSupport.h"

#include "window/DoseFeatures.h"
#include "window/UploadDialog.h"
#include "measure/MeasurementSession.h"
#include "tests/upload/LocalHttpServer.h"
#include "upload/Uploader.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>

using namespace apptest;

// Outside the anonymous namespace: the tests derive from it at file scope.
class UploadWindowTest : public WindowTest
{
protected:
    QString secretPath() const
    {
        return UploadSettings::credentialsPath(tempPath(QStringLiteral("torvale.ini")));
    }
    void tally(int minute)
    {
        emit form->session()->minuteCounted(
            MinuteCount{at(11, minute, 0), 20 + minute, 1});
    }
};

namespace
{

const QString Secret = QStringLiteral("hunter2-secret");

} // namespace

// The privacy notice comes before anything is on; the secrets go to their
// own owner-only file, the choices to [Upload]; every interval reaches the
// map, and the pane tells changes of state without the password.
TEST_F(UploadWindowTest, TheDialogAsksFirstKeepsSecretsApartAndUploads)
{
    LocalHttpServer server;
    build();
    UploadDialog *d = form->Button_uploadClick();
    QCheckBox *radmon = d->enabledBox(UploadService::Radmon);
    radmon->setChecked(true);
    ASSERT_EQ(prompts.texts(QStringLiteral("yesno")).size(), 1);
    EXPECT_TRUE(prompts.texts(QStringLiteral("yesno")).first().contains(
        QStringLiteral("ユーザー名、データ送信用パスワード、平均cpm")));
    EXPECT_FALSE(radmon->isChecked()) << "declined: stays off";
    EXPECT_TRUE(d->noticeText(UploadService::Safecast).contains(QStringLiteral("緯度と経度")));
    prompts.yesNoAnswers = {true};
    radmon->setChecked(true);
    EXPECT_TRUE(radmon->isChecked());

    d->accept();
    EXPECT_TRUE(d->isVisible());
    EXPECT_TRUE(d->problemLabel()->text().contains(QStringLiteral("radmon_user is missing")));
    d->field(QStringLiteral("radmon_user"))->setText(QStringLiteral("alice"));
    d->field(QStringLiteral("radmon_password"))->setText(Secret);
    // Folded away, the advanced part leaves no empty box; open, it warns of
    // plain http over the network and refuses a CA file without a certificate.
    EXPECT_FALSE(d->urlField(UploadService::Radmon)->isVisibleTo(d));
    d->advancedBox()->setChecked(true);
    EXPECT_TRUE(d->urlField(UploadService::Radmon)->isVisibleTo(d));
    d->urlField(UploadService::Radmon)->setText(QStringLiteral("http://192.0.2.7"));
    EXPECT_TRUE(d->warningLabel()->text().contains(QStringLiteral("travels in clear")));
    d->caFileField()->setText(tempPath(QStringLiteral("none.pem")));
    d->accept();
    EXPECT_TRUE(d->problemLabel()->text().contains(QStringLiteral("no PEM certificate")));
    d->caFileField()->clear();
    d->urlField(UploadService::Radmon)->setText(server.url(QString()).toString());
    EXPECT_TRUE(d->warningLabel()->text().isEmpty());
    d->intervalBox()->setValue(1);
    d->accept();
    EXPECT_EQ(prompts.texts(QStringLiteral("yesno")).size(), 2);

    EXPECT_EQ(QFile::permissions(secretPath()), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    EXPECT_TRUE(readAll(secretPath()).contains(Secret.toUtf8()));
    tally(0);
    tally(1);
    ASSERT_TRUE(waitUntil([&] { return memoText().contains(QStringLiteral("upload accepted")); }));
    ASSERT_EQ(server.requests.size(), 1);
    EXPECT_TRUE(server.requests.first().target.contains("password=hunter2-secret&value=21.00"));
    server.reply = {401, "Unauthorized", "Incorrect login.", false, {}};
    tally(2);
    ASSERT_TRUE(waitUntil([&] { return memoText().contains(QStringLiteral("refused")); }));
    EXPECT_FALSE(memoText().contains(Secret));

    // The window's conversion factor reaches the uploads.
    ASSERT_TRUE(form->doseFeatures()->dose()->setCustom(QStringLiteral("150")).isEmpty());
    EXPECT_EQ(form->uploader()->config().factor, std::optional<double>(150.0));

    ASSERT_TRUE(form->FormClose());
    const QByteArray ini = readAll(tempPath(QStringLiteral("torvale.ini")));
    EXPECT_TRUE(ini.contains("[Upload]\r\nRadmon=1\r\nRadmonNotice=1\r\nRadmonURL=http://127.0.0.1:"));
    EXPECT_FALSE(ini.contains(Secret.toUtf8()));

    // The next start uploads at once; a secrets file others may read is not used.
    build();
    EXPECT_EQ(form->uploader()->config().services, QList<UploadService>({UploadService::Radmon}));
    EXPECT_TRUE(memoText().contains(QStringLiteral("uploading every 1 min to radmon.org")));
    QFile::setPermissions(secretPath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    build();
    EXPECT_TRUE(form->uploader()->config().services.isEmpty());
    EXPECT_TRUE(memoText().contains(QStringLiteral("other users may read")));
}
