// SPDX-License-Identifier: GPL-3.0-or-later
// "Vorschau" through its widgets: it follows the main window's position,
// steps its own, shows texts that do not evaluate in itself, zooms and
// exports.

#include <QAction>
#include <QDir>
#include <QRegularExpression>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include "model/MainForm.h"
#include "model/TableFill.h"
#include "support/RecordingDialogs.h"
#include "ui/AppWindows.h"
#include "ui/ControlLookup.h"
#include "ui/MainWindow.h"
#include "ui/PreviewViews.h"
#include "ui/PreviewWindow.h"

using namespace tonvera;
using tonvera::test::control;
using tonvera::test::RecordingDialogs;

namespace {

// The strongest frequency of the run the preview shows, over its plateau.
double ShownFrequency(const PreviewWindow& p)
{
    const auto s = preview::SpectrumOf(*p.run(), 40'000, 400'000);
    return s.peaks.empty() ? 0 : s.peaks[0].hz;
}

// Lets the event loop run until `done` holds; false after the limit.
template <typename F>
bool WaitFor(F done, int ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QTest::qWait(10);
    }
    return true;
}

} // namespace

TEST(PreviewWindowTest, FollowsTheMainWindowsPositionAndStepsItsOwn)
{
    RecordingDialogs dialogs;
    AppWindows windows = CreateWindows(&dialogs);
    MainWindow& m = *windows.MainForm;
    MainState& st = m.form().state();
    SinusRecord& r = st.SinusArray[0];
    r.Used = true;
    r.TabTyp = TypeSinus;
    FillSine(r);
    r.Freq = "F";
    r.Dach = "200";
    st.VariTable.slot(0) = {"F", "500", "1000", "1500"};
    m.show();

    QAction* item = control<QAction>(m, "Vorschau1");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->shortcut(), QKeySequence(Qt::Key_F9));
    item->trigger();
    auto* p = control<PreviewWindow>(m, "Vorschau");
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(p->isVisible());
    EXPECT_FALSE(p->isModal());
    QLabel* pos = control<QLabel>(*p, "PreviewPos");
    auto shown = [&](int position) { return p->run() && p->run()->position == position; };

    EXPECT_EQ(pos->text(), "Position 1 von 3");
    ASSERT_TRUE(WaitFor([&] { return shown(1); }));
    EXPECT_NEAR(ShownFrequency(*p), 500, 1);

    QTest::mouseClick(control<QPushButton>(m, "Button6"), Qt::LeftButton);
    EXPECT_EQ(control<QLabel>(m, "AktVar")->text(), "2");
    EXPECT_EQ(pos->text(), "Position 2 von 3");
    ASSERT_TRUE(WaitFor([&] { return shown(2); }));
    EXPECT_NEAR(ShownFrequency(*p), 1000, 1);

    // Its own >> leaves the main window where it is; at the end it stays.
    QTest::mouseClick(control<QPushButton>(*p, "PreviewNext"), Qt::LeftButton);
    QTest::mouseClick(control<QPushButton>(*p, "PreviewNext"), Qt::LeftButton);
    EXPECT_EQ(pos->text(), "Position 3 von 3");
    ASSERT_TRUE(WaitFor([&] { return shown(3); }));
    EXPECT_NEAR(ShownFrequency(*p), 1500, 1);
    EXPECT_EQ(control<QLabel>(m, "AktVar")->text(), "2");

    QTest::mouseClick(control<QPushButton>(m, "Button5"), Qt::LeftButton);
    EXPECT_EQ(control<QLabel>(m, "AktVar")->text(), "1");
    ASSERT_TRUE(WaitFor([&] { return shown(1); }));
    EXPECT_EQ(pos->text(), "Position 1 von 3");
    EXPECT_NEAR(ShownFrequency(*p), 500, 1);

    // The wheel zooms at the pointer; "Einpassen" shows the whole run again.
    QWidget* time = control<QWidget>(*p, "PreviewTime");
    const double end = double(p->run()->endTick);
    EXPECT_EQ(p->viewFrom(), 0);
    EXPECT_EQ(p->viewTo(), end);
    const QPointF at(time->width() / 2.0, time->height() / 2.0);
    QWheelEvent wheel(at, time->mapToGlobal(at), QPoint(), QPoint(0, 5 * 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(time, &wheel);
    EXPECT_LT(p->viewTo() - p->viewFrom(), end / 2);
    EXPECT_GT(p->viewFrom(), 0);
    QTest::mouseClick(control<QPushButton>(*p, "PreviewFit"), Qt::LeftButton);
    EXPECT_EQ(p->viewFrom(), 0);
    EXPECT_EQ(p->viewTo(), end);

    // Exports: the picture as drawn, the position's output as a WAV file.
    QTemporaryDir dir;
    const std::string png = dir.filePath("v.png").toStdString(), wav = dir.filePath("v.wav").toStdString();
    dialogs.fileAnswers = {png, wav};
    QTest::mouseClick(control<QPushButton>(*p, "PreviewPng"), Qt::LeftButton);
    QTest::mouseClick(control<QPushButton>(*p, "PreviewWav"), Qt::LeftButton);
    const QImage picture(QString::fromStdString(png));
    EXPECT_EQ(picture.width(), time->width());
    QFile file(QString::fromStdString(wav));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), preview::WavOf(*p->run(), 48000));

    // A length that does not evaluate: said in the window, no box.
    control<QLineEdit>(m, "Signaldauer")->setText("lang");
    QLabel* message = control<QLabel>(*p, "PreviewMessage");
    ASSERT_TRUE(WaitFor([&] { return message->isVisible(); }));
    EXPECT_TRUE(message->text().startsWith("LANG ist kein gültiger Wert!")) << message->text().toStdString();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST(PreviewWindowTest, ItsStepsFollowTheOrderOfARun)
{
    RecordingDialogs dialogs;
    AppWindows windows = CreateWindows(&dialogs);
    MainWindow& m = *windows.MainForm;
    MainState& st = m.form().state();
    st.SinusArray[0].Used = true;
    st.SinusArray[0].Freq = "F";
    st.VariTable.slot(0) = {"F", "500", "1000", "1500"};
    m.setOrder({OrderKind::List, "", "3 1 3"});
    m.show();
    control<QAction>(m, "Vorschau1")->trigger();
    auto* p = control<PreviewWindow>(m, "Vorschau");
    QLabel* pos = control<QLabel>(*p, "PreviewPos");
    auto press = [&](const char* name) { QTest::mouseClick(control<QPushButton>(*p, name), Qt::LeftButton); };

    // Position 1 of the main window is the list's second presentation.
    press("PreviewNext");
    EXPECT_EQ(pos->text(), "Position 3 von 3, Darbietung 3 von 3");
    press("PreviewPrev");
    press("PreviewPrev");
    press("PreviewPrev");
    EXPECT_EQ(pos->text(), "Position 3 von 3, Darbietung 1 von 3");
    EXPECT_TRUE(WaitFor([&] { return p->run() && p->run()->position == 3; }));
}

TEST(PreviewWindowTest, SpectrumLabelsAreWholeSignedAndClearOfEachOtherAndTheTrace)
{
    // Crowded peaks: an AM signal's carrier and side bands, two weak sines
    // between them, a third far off.
    preview::PreviewInput in;
    in.globals.Signaldauer = "300";
    in.globals.Triggerstart = "0";
    in.globals.Triggerstop = "0";
    in.globals.EndDamp = "0";
    in.globals.AnzWieder = "1";
    const auto signal = [&](int i, const char* freq, const char* ampl) -> SinusRecord& {
        SinusRecord& r = in.state.SinusArray[std::size_t(i)];
        r.SetDefaultTexts();
        r.Used = true;
        r.TabTyp = TypeSinus;
        FillSine(r);
        r.Freq = freq;
        r.Ampl = ampl;
        r.Dach = "250";
        return r;
    };
    SinusRecord& am = signal(0, "100", "6");
    am.TabTyp = TypeAM;
    am.TabPara = 10;
    FillAM(am, 10);
    signal(1, "1250", "20");
    signal(2, "800", "24");
    signal(3, "4000", "14");
    preview::PreviewDevice device;
    const preview::PreviewRun run = device.compute(in);
    ASSERT_TRUE(run.valid);

    PreviewSpectrumView view(nullptr);
    view.Data = preview::SpectrumOf(run, 20 * 4000, 270 * 4000);
    ASSERT_GE(view.Data.peaks.size(), 5u);
    for (const QSize size : {QSize(500, 200), QSize(1000, 240)}) {
        view.resize(size);
        const auto labels = view.peakLabels();
        EXPECT_GE(labels.size(), 4u) << size.width();
        const QImage picture = view.grab().toImage();
        const QFontMetrics fm(view.font());
        for (std::size_t i = 0; i < labels.size(); ++i) {
            const QRectF& box = labels[i].box;
            EXPECT_TRUE(QRectF(view.rect()).contains(box));
            // Whole: every line of the text fits the box.
            const QRect needed = fm.boundingRect(QRect(), Qt::AlignCenter, labels[i].text);
            EXPECT_LE(needed.width(), box.width()) << labels[i].text.toStdString();
            EXPECT_LE(needed.height(), box.height()) << labels[i].text.toStdString();
            // Signed: every peak here lies below full scale.
            EXPECT_TRUE(labels[i].text.contains(QRegularExpression(R"(\n-\d)"))) << labels[i].text.toStdString();
            for (std::size_t j = i + 1; j < labels.size(); ++j)
                EXPECT_FALSE(box.intersects(labels[j].box)) << i << " and " << j;
            // Not one pixel of the trace inside the box.
            const QRect inner = box.toAlignedRect();
            for (int y = inner.top(); y <= inner.bottom(); ++y)
                for (int x = inner.left(); x <= inner.right(); ++x)
                    ASSERT_NE(picture.pixelColor(x, y), QColor(0, 70, 170)) << x << "," << y;
        }
        const QByteArray dir = qgetenv("TONVERA_SCREENSHOT_DIR");
        if (!dir.isEmpty())
            picture.save(QDir(QString::fromLocal8Bit(dir)).filePath(QString("spectrum-%1.png").arg(size.width())));
    }
}
