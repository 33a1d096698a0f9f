// SPDX-License-Identifier: GPL-3.0-or-later
// The real Qt boxes: titles, buttons, answers. Each box is closed by a timer
// from inside its own event loop, so no test waits for an operator.

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "ui/WhileOpen.h"
#include "ui/QtDialogs.h"

using namespace tonvera;
using tonvera::test::whenModal;

TEST(QtDialogsTest, MessageBoxHasItsTitleTextAndOneOkButton)
{
    QtDialogs d;
    QString title, text;
    int buttons = -1;
    whenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        buttons = static_cast<int>(box->buttons().size());
        box->button(QMessageBox::Ok)->click();
    });
    d.messageBox("Maximal 8 Signale möglich!", AttentionTitle);
    EXPECT_EQ(title, "Achtung");
    EXPECT_EQ(text, "Maximal 8 Signale möglich!");
    EXPECT_EQ(buttons, 1);
}

TEST(QtDialogsTest, CarriageReturnBreaksTheLineAndTheBoxHoldsItsTitle)
{
    QtDialogs d;
    QString text;
    int width = 0;
    whenModal([&](QWidget* w) {
        text = qobject_cast<QMessageBox*>(w)->text();
        width = w->width();
        const QDir dir(QString::fromLocal8Bit(qgetenv("TONVERA_SCREENSHOT_DIR")));
        if (!qgetenv("TONVERA_SCREENSHOT_DIR").isEmpty())
            w->grab().save(dir.filePath("version-box.png"));
        qobject_cast<QDialog*>(w)->accept();
    });
    d.messageBox("Softwareversion\r0.8 Alpha", "Tonvera");
    EXPECT_EQ(text, "Softwareversion\n0.8 Alpha");
    // The title bar shows "Tonvera" whole beside its buttons.
    EXPECT_GE(width,
              QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance("Tonvera") + TitleBarRoom);
}

TEST(QtDialogsTest, InputBoxReturnsTheTypedTextOrTheDefaultWhenCancelled)
{
    QtDialogs d;
    QString label, shownDefault, cancel;
    whenModal([&](QWidget* w) {
        auto* in = qobject_cast<QInputDialog*>(w);
        ASSERT_NE(in, nullptr);
        label = in->labelText();
        shownDefault = in->textValue();
        if (auto* buttons = in->findChild<QDialogButtonBox*>())
            cancel = buttons->button(QDialogButtonBox::Cancel)->text();
        in->setTextValue("12");
        in->accept();
    });
    EXPECT_EQ(d.inputBox("Trägerfrequenzwahl", "Vielfaches", "10"), "12");
    EXPECT_EQ(label, "Vielfaches");
    EXPECT_EQ(shownDefault, "10");
    // Qt's own texts are German too.
    EXPECT_EQ(cancel, "Abbrechen");

    whenModal([](QWidget* w) {
        qobject_cast<QInputDialog*>(w)->setTextValue("99");
        qobject_cast<QDialog*>(w)->reject();
    });
    EXPECT_EQ(d.inputBox("Trägerfrequenzwahl", "Vielfaches", "10"), "10");

    std::string value = "a";
    whenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_FALSE(d.inputQuery("Variable", "Name", value));
    EXPECT_EQ(value, "a");
    whenModal([](QWidget* w) {
        qobject_cast<QInputDialog*>(w)->setTextValue("Freq");
        qobject_cast<QDialog*>(w)->accept();
    });
    EXPECT_TRUE(d.inputQuery("Variable", "Name", value));
    EXPECT_EQ(value, "Freq");
}

TEST(QtDialogsTest, FileFilterAndSuffixInQtsForm)
{
    EXPECT_EQ(QtFileFilter("Tonvera Dateien (*.tva)| *.tva|Alle Dateien (*.*)|*.*"),
              "Tonvera Dateien (*.tva);;Alle Dateien (*.*)");
    EXPECT_EQ(QtFileFilter("Kalibrierdaten|*.cal|Alle Dateien|*.*"), "Kalibrierdaten (*.cal);;Alle Dateien (*.*)");
    EXPECT_EQ(QtDefaultSuffix("*.tva"), "tva");
    EXPECT_EQ(QtDefaultSuffix(".cal"), "cal");
}

TEST(QtDialogsTest, SaveDialogProposesTheNameAndAddsTheExtension)
{
    QtDialogs d;
    const QString dir = QDir::tempPath();
    QStringList filters;
    whenModal([&](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(fd, nullptr);
        filters = fd->nameFilters();
        fd->setDirectory(dir);
        fd->selectFile("versuch");
        static_cast<QDialog*>(fd)->accept();
    });
    const auto name = d.saveFileName("Tonvera Dateien (*.tva)| *.tva|Alle Dateien (*.*)|*.*", "*.tva", "default.tva");
    ASSERT_TRUE(name.has_value());
    EXPECT_EQ(QString::fromStdString(*name), QDir(dir).filePath("versuch.tva"));
    EXPECT_EQ(filters, (QStringList{"Tonvera Dateien (*.tva)", "Alle Dateien (*.*)"}));

    // An existing file is replaced without a question.
    QTemporaryDir existing;
    const QString old = existing.filePath("alt.tva");
    QFile(old).open(QIODevice::WriteOnly);
    bool asked = false;
    whenModal([&](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(fd, nullptr);
        fd->setDirectory(existing.path());
        fd->selectFile("alt.tva");
        // Should a question come up, it is noted and answered, so that the
        // test does not wait for an operator.
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                asked = true;
                box->button(QMessageBox::Yes)->click();
            }
        });
        static_cast<QDialog*>(fd)->accept();
    });
    const auto replaced = d.saveFileName("Tonvera Dateien (*.tva)| *.tva|Alle Dateien (*.*)|*.*", "*.tva", "x.tva");
    EXPECT_FALSE(asked);
    ASSERT_TRUE(replaced.has_value());
    EXPECT_EQ(QString::fromStdString(*replaced), old);

    whenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_FALSE(d.openFileName("Kalibrierdaten|*.cal|Alle Dateien|*.*", ".cal", "Default.cal").has_value());
}

TEST(QtDialogsTest, TheQuestionBoxShowsItsAnswersAndEscapeTakesTheWayOut)
{
    QtDialogs d;
    QStringList captions;
    whenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* b : box->buttons())
            captions << b->text();
        EXPECT_EQ(box->defaultButton()->text(), "Speichern");
        box->defaultButton()->click();
    });
    EXPECT_EQ(
        d.question("Das Projekt wurde geändert. Änderungen speichern?", {"Speichern", "Verwerfen", "Abbrechen"}, 2),
        0u);
    captions.sort();
    EXPECT_EQ(captions, (QStringList{"Abbrechen", "Speichern", "Verwerfen"}));

    whenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(
        d.question("Das Projekt wurde geändert. Änderungen speichern?", {"Speichern", "Verwerfen", "Abbrechen"}, 2),
        2u);
}
