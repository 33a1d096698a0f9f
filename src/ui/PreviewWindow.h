// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Vorschau": what the device will play at a variable position, computed on
// a device model of its own (never on the device). It follows the main
// window: a committed change is computed again once the operator pauses,
// in a worker, and a newer change drops the older computation; the main
// window's << and >> move its position, its own << and >> move only its own.

#include <QDialog>
#include <memory>
#include <optional>
#include <vector>

#include "preview/PreviewSignal.h"

class QLabel;
class QPushButton;
class QTimer;

namespace tonvera {

class MainWindow;

namespace preview {
class PreviewWorker;
}

class PreviewTimeView;
class PreviewSpectrumView;

class PreviewWindow : public QDialog {
    Q_OBJECT
public:
    explicit PreviewWindow(MainWindow& main);
    ~PreviewWindow() override;

    // The menu command: shows the window and brings it up to date.
    void VorschauClick(); // "Vorschau" of "Hilfe"

    // The position shown (or being computed).
    [[nodiscard]] int position() const { return Position; }
    // The run last computed; none before the first result.
    [[nodiscard]] const std::shared_ptr<const preview::PreviewRun>& run() const { return Run; }
    // The visible time span in ticks.
    [[nodiscard]] double viewFrom() const;
    [[nodiscard]] double viewTo() const;
    // Takes the main window's state now and computes again if it changed.
    void follow();
    // Shows the whole position.
    void fit();

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    [[nodiscard]] preview::PreviewInput inputNow() const;
    void step(int delta);
    void request();
    void accept(std::shared_ptr<const preview::PreviewRun> run, std::uint64_t generation);
    void showPosition();
    // One pass of the main window's order; empty when it is ascending.
    [[nodiscard]] std::vector<std::int32_t> order() const;
    void savePng();
    void saveWav();

    // Found by tests through their object names.
    QPushButton *PrevButton, *NextButton, *FitButton, *PngButton, *WavButton;
    QLabel *PositionLabel, *OverflowLabel, *MessageLabel;
    PreviewTimeView* TimeView;
    PreviewSpectrumView* SpectrumView;

    MainWindow& Main;
    std::unique_ptr<preview::PreviewWorker> Worker;
    QTimer* Poll;
    QTimer* Debounce;
    int Position = 1;
    // Where << and >> stand in the order of a run, when it is not ascending.
    int OrderStep = 0;
    int MainPosition = -1;
    std::optional<preview::PreviewInput> Requested;
    std::optional<preview::PreviewInput> Seen;
    std::uint64_t Generation = 0;
    std::shared_ptr<const preview::PreviewRun> Run;
};

// Adds "Vorschau" to the main window's menu "Hilfe" and creates the window.
PreviewWindow* InstallPreview(MainWindow& main);

} // namespace tonvera
