// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QStringList>

#include "ui/WindowSettings.h"

namespace tonvera {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// A carriage return alone breaks the line in the texts of the program's
// history ("Softwareversion" CR "0.8 Alpha").
QString boxText(const std::string& s)
{
    QString t = qs(s);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QChar('\r'), QChar('\n'));
    return t;
}

// Qt sizes a message box by its text and only a little by its title; a
// spacer across the box's grid keeps it wide enough for the title bar.
void fitTitle(QMessageBox& box)
{
    const QFontMetrics fm(QApplication::font("QMdiSubWindowTitleBar"));
    const int width = fm.horizontalAdvance(box.windowTitle()) + TitleBarRoom;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                      grid->columnCount());
}

} // namespace

QString QtFileFilter(const std::string& filter)
{
    const QStringList parts = qs(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString desc = parts[i].trimmed();
        const QString pattern = parts[i + 1].trimmed();
        if (desc.contains('(' + pattern + ')'))
            out << desc;
        else
            out << desc + " (" + pattern + ")";
    }
    return out.join(";;");
}

QString QtDefaultSuffix(const std::string& defaultExt)
{
    QString s = qs(defaultExt).trimmed();
    while (s.startsWith('*') || s.startsWith('.'))
        s.remove(0, 1);
    return s;
}

void QtDialogs::messageBox(const std::string& text, const std::string& title)
{
    QMessageBox box(QMessageBox::NoIcon, qs(title), boxText(text), QMessageBox::Ok, Parent);
    fitTitle(box);
    box.exec();
}

std::string QtDialogs::inputBox(const std::string& caption, const std::string& prompt, const std::string& defaultText)
{
    bool ok = false;
    const QString answer =
        QInputDialog::getText(Parent, qs(caption), qs(prompt), QLineEdit::Normal, qs(defaultText), &ok);
    return ok ? answer.toStdString() : defaultText;
}

bool QtDialogs::inputQuery(const std::string& caption, const std::string& prompt, std::string& value)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(Parent, qs(caption), qs(prompt), QLineEdit::Normal, qs(value), &ok);
    if (ok)
        value = answer.toStdString();
    return ok;
}

void QtDialogs::errorBox(const std::string& text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Tonvera"), boxText(text), QMessageBox::Ok, Parent);
    fitTitle(box);
    box.exec();
}

std::optional<std::string> QtDialogs::fileName(bool save, const std::string& filter, const std::string& defaultExt,
                                               const std::string& initialName)
{
    QFileDialog dialog(Parent);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // A save replaces an existing file without a question; the write itself
    // is atomic, so a failed save still leaves the old file whole.
    if (save)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilter(QtFileFilter(filter));
    dialog.setDefaultSuffix(QtDefaultSuffix(defaultExt));
    // A name without a folder (the proposed "default.tva") is proposed in
    // the folder used last rather than wherever the program was started.
    const QString last = LastFileFolder();
    if (!last.isEmpty() && (initialName.empty() || QFileInfo(qs(initialName)).isRelative()))
        dialog.setDirectory(last);
    if (!initialName.empty())
        dialog.selectFile(qs(initialName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString chosen = dialog.selectedFiles().first();
    RememberFileFolder(chosen);
    return chosen.toStdString();
}

std::optional<std::string> QtDialogs::openFileName(const std::string& filter, const std::string& defaultExt,
                                                   const std::string& initialName)
{
    return fileName(false, filter, defaultExt, initialName);
}

std::optional<std::string> QtDialogs::saveFileName(const std::string& filter, const std::string& defaultExt,
                                                   const std::string& initialName)
{
    return fileName(true, filter, defaultExt, initialName);
}

std::size_t QtDialogs::question(const std::string& text, const std::vector<std::string>& answers, std::size_t escape)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Tonvera"), boxText(text), QMessageBox::NoButton, Parent);
    std::vector<QPushButton*> buttons;
    for (const std::string& a : answers)
        buttons.push_back(box.addButton(qs(a), QMessageBox::ActionRole));
    if (!buttons.empty())
        box.setDefaultButton(buttons.front());
    if (escape < buttons.size())
        box.setEscapeButton(buttons[escape]);
    fitTitle(box);
    box.exec();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == buttons[i])
            return i;
    return escape;
}

} // namespace tonvera
