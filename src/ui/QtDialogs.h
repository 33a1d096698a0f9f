// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The operator's dialogs as real modal Qt boxes. The file dialogs open in
// the folder the operator used last, also after a new start.

#include <QPointer>
#include <QString>
#include <QWidget>

#include "model/Dialogs.h"

namespace tonvera {

// "Tonvera Dateien (*.tva)| *.tva|Alle Dateien (*.*)|*.*" in Qt's form:
// "Tonvera Dateien (*.tva);;Alle Dateien (*.*)". A description without its
// pattern in brackets gets it appended, since Qt reads the pattern from there.
QString QtFileFilter(const std::string& filter);
// "*.tva", ".cal" or "tva" as Qt's default suffix "tva".
QString QtDefaultSuffix(const std::string& defaultExt);

// Room a desktop's title bar takes besides the title: the window menu, the
// close button and their margins. A box is at least its title this much
// wider, so a short text ("Softwareversion" CR "0.8 Alpha") does not leave
// the title cut to "To…a".
inline constexpr int TitleBarRoom = 160;

class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : Parent(parent) {}
    void setParent(QWidget* parent) { Parent = parent; }

    void messageBox(const std::string& text, const std::string& title) override;
    std::string inputBox(const std::string& caption, const std::string& prompt,
                         const std::string& defaultText) override;
    bool inputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;
    void errorBox(const std::string& text) override;
    std::optional<std::string> openFileName(const std::string& filter, const std::string& defaultExt,
                                            const std::string& initialName) override;
    std::optional<std::string> saveFileName(const std::string& filter, const std::string& defaultExt,
                                            const std::string& initialName) override;
    std::size_t question(const std::string& text, const std::vector<std::string>& answers, std::size_t escape) override;

private:
    std::optional<std::string> fileName(bool save, const std::string& filter, const std::string& defaultExt,
                                        const std::string& initialName);
    QPointer<QWidget> Parent;
};

} // namespace tonvera
