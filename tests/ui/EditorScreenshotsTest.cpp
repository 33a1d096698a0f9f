// SPDX-License-Identifier: GPL-3.0-or-later
// Renders each editor window with typical content, inside its own modal
// loop as the operator sees it. With TONVERA_SCREENSHOT_DIR set the pictures
// are written there as screenshot-<window>.png for the documentation.

#include <QDir>
#include <QLocale>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <set>

#include "model/MainForm.h"
#include "support/FakeView.h"
#include "support/RecordingDialogs.h"
#include "WhileOpen.h"
#include "ui/BlockWindow.h"
#include "ui/EichWindow.h"
#include "ui/JournalDialog.h"
#include "run/CommandGuard.h"
#include "ui/SimWindow.h"
#include "ui/VariablenWindow.h"
#include "ui/VerschiedenesWindow.h"

using namespace tonvera;
using tonvera::test::FakeView;
using tonvera::test::RecordingDialogs;
using tonvera::test::whileOpen;

namespace {

// Grabs the window from inside its modal loop, checks that something was
// drawn, and saves the picture when asked to.
void shoot(QDialog& window, const char* name, const std::function<void()>& open)
{
    whileOpen(
        window,
        [&] {
            const QImage img = window.grab().toImage();
            EXPECT_EQ(img.size(), window.size()) << name;
            std::set<QRgb> colours;
            for (int y = 0; y < img.height(); y += 3)
                for (int x = 0; x < img.width(); x += 3)
                    colours.insert(img.pixel(x, y));
            EXPECT_GT(colours.size(), 3u) << name;
            const QByteArray dir = qgetenv("TONVERA_SCREENSHOT_DIR");
            if (!dir.isEmpty()) {
                const QString file = QDir(QString::fromLocal8Bit(dir)).filePath(QString("screenshot-%1.png").arg(name));
                EXPECT_TRUE(img.save(file)) << file.toStdString();
            }
        },
        open);
}

struct Screenshots : ::testing::Test {
    FakeView view;
    RecordingDialogs dialogs;
    MainForm form{view, dialogs};
    CommandGuard guard{[](const std::string&) {}};

    void SetUp() override
    {
        VariTable& v = form.state().VariTable;
        v.slot(0) = {"Frequenz", "1000", "2000", "1500", "800"};
        v.slot(1) = {"Dauer", "400", "700", "550", "300"};
        v.slot(2) = {"Pegel", "0", "3", "6", "9"};
        view.edit(EditField::Signaldauer) = "2*Dauer+200";
        view.edit(EditField::Triggerstart) = "100";
        view.edit(EditField::Triggerstop) = "Dauer";
        auto use = [this](int i, const char* start, const char* up, const char* dach, const char* down,
                          const char* ampl) {
            SinusRecord& r = form.state().SinusArray[static_cast<std::size_t>(i)];
            r.Used = true;
            r.Freq = "Frequenz";
            r.Start = start;
            r.RampUp = up;
            r.Dach = dach;
            r.RampDown = down;
            r.Ampl = ampl;
        };
        use(0, "50", "40", "Dauer", "40", "Pegel");
        use(1, "Dauer", "100", "200", "100", "3");
    }
};

} // namespace

TEST_F(Screenshots, Variablen)
{
    VariablenWindow window(dialogs, guard);
    shoot(window, "variablen", [&] { window.EditVariables(form.state().VariTable); });
}

TEST_F(Screenshots, Eichdaten)
{
    EichWindow window(dialogs, guard);
    EichTable t;
    const double points[][2] = {{100, -1.2}, {500, 0.4}, {1000, 1.5}, {2000, 2.8}, {5000, 4.1}, {10000, 6.3}};
    for (const auto& p : points) {
        t.frequencies[static_cast<std::size_t>(t.count)] = p[0];
        t.corrections[static_cast<std::size_t>(t.count)] = p[1];
        ++t.count;
    }
    shoot(window, "eichdaten", [&] { window.EditEichTable(t); });
}

TEST_F(Screenshots, Simulation)
{
    // The operator's locale decides the separator; the pictures show a German one.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    SimWindow window(form.state().VariPos, dialogs, guard);
    shoot(window, "simulation", [&] { window.Button7Click(form); });
    QLocale::setDefault(saved);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Screenshots, Verschiedenes)
{
    VerschiedenesWindow window(form.state());
    shoot(window, "verschiedenes", [&] { window.Verschiedenes1Click(); });
}

TEST_F(Screenshots, Block)
{
    BlockWindow window;
    shoot(window, "block", [&] { window.Blockschaltbild1Click(); });
}

TEST_F(Screenshots, Protokoll)
{
    JournalDialog window;
    QString folder = "/home/labor/.local/share/tonvera/protokoll";
    bool on = true;
    shoot(window, "protokoll", [&] { window.edit(folder, on); });
}
