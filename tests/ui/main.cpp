// SPDX-License-Identifier: GPL-3.0-or-later
// One QApplication for all GUI tests, on the offscreen platform unless the
// caller chose another one, with Qt's texts in German as the program has them.
// The user's settings, recovery file and journal stay untouched: their
// folders point into a temporary folder of this run (programs the tests
// start inherit them), and every test starts with none of them.
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <filesystem>
#include <gtest/gtest.h>
#include <vector>

#include "ui/GermanQtTexts.h"

namespace {

class FreshSettings : public ::testing::EmptyTestEventListener {
public:
    explicit FreshSettings(std::vector<std::filesystem::path> folders) : Folders(std::move(folders)) {}
    void OnTestStart(const ::testing::TestInfo&) override
    {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "tonvera", "tonvera").clear();
        std::error_code ec;
        for (const auto& f : Folders)
            std::filesystem::remove_all(f, ec);
    }

private:
    std::vector<std::filesystem::path> Folders;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath("config")));
    qputenv("XDG_STATE_HOME", QFile::encodeName(home.filePath("state")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath("data")));
    QApplication app(argc, argv);
    tonvera::InstallGermanQtTexts(app);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(
        new FreshSettings({home.filePath("state").toStdString(), home.filePath("data").toStdString()}));
    return RUN_ALL_TESTS();
}
