// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "main_window.h"
#include "recording_starter.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QStyle>
#include <QStyleOption>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <deque>

namespace {

// Answers the file dialog from a script instead of a person; an empty answer is a cancel.
class ScriptedDialog : public CommonDialog {
public:
    std::deque<QString> answers;
    QStringList askedDirectories;
    QStringList askedFilters;

protected:
    QString askForFile(QWidget*, const QString& directory, const QStringList& filters) override
    {
        askedDirectories << directory;
        askedFilters = filters;
        const QString answer = answers.empty() ? QString() : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return answer;
    }
};

class RecordingNotices : public NoticeBox {
public:
    QStringList shown;
    void show(QWidget*, const QString& text) override { shown << text; }
};

const QString kImageNotice = QStringLiteral("please select an Image");
const QString kFormatNotice = QStringLiteral("please select the format you wish to convert the image to");
const QString kMissingNotice = QStringLiteral("You must place ZORVEN.EXE in the same directoy as this frontend.");

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    RecordingStarter starter;
    ScriptedDialog* dialog = nullptr;
    RecordingNotices* notices = nullptr;
    std::unique_ptr<Form1> window;

    template <typename T = QWidget> T* control(const char* name) const
    {
        T* found = window->findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    void click(const char* name) { QTest::mouseClick(control(name), Qt::LeftButton); }
    void browseTo(const QString& answer)
    {
        dialog->answers.push_back(answer);
        click("Command1");
    }

private Q_SLOTS:
    void init()
    {
        starter = RecordingStarter();
        auto scripted = std::make_unique<ScriptedDialog>();
        auto recording = std::make_unique<RecordingNotices>();
        dialog = scripted.get();
        notices = recording.get();
        window = std::make_unique<Form1>(starter, std::move(scripted), std::move(recording));
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    void cleanup() { window.reset(); }

    void startsEmptyWithTheFocusInTheTextBox()
    {
        QCOMPARE(window->windowTitle(), QStringLiteral("ZORAVEN frontend By (^)TOLVAR(^)"));
        QCOMPARE(window->size(), QSize(386, 168));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QVERIFY(control<QLineEdit>("Text1")->text().isEmpty());
        QVERIFY(!control<QRadioButton>("NTSC")->isChecked());
        QVERIFY(!control<QRadioButton>("PAL")->isChecked());
        QCOMPARE(QApplication::focusWidget(), control("Text1"));
        QVERIFY(notices->shown.isEmpty());
    }

    void controlsStandWhereTheLayoutPutsThem_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twips");
        // clang-format off
        QTest::newRow("Label1")   << "QLabel"       << "Image location"    << QRect(120, 480, 1095, 255);
        QTest::newRow("Text1")    << "QLineEdit"    << ""                  << QRect(1320, 480, 2415, 285);
        QTest::newRow("Command1") << "QPushButton"  << "Browse"            << QRect(3840, 480, 1695, 375);
        QTest::newRow("Label2")   << "QLabel"       << "Convert Image To:" << QRect(120, 1320, 1335, 255);
        QTest::newRow("NTSC")     << "QRadioButton" << "NTSC"              << QRect(1560, 1320, 855, 375);
        QTest::newRow("PAL")      << "QRadioButton" << "PAL"               << QRect(1560, 1800, 855, 255);
        QTest::newRow("Command2") << "QPushButton"  << "CONVERT IMAGE"     << QRect(3840, 1320, 1695, 615);
        QTest::newRow("mode")     << "QLabel"       << ""                  << QRect(5760, 120, 615, 255);
        // clang-format on
    }

    void controlsStandWhereTheLayoutPutsThem()
    {
        QFETCH(QString, kind);
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        QWidget* widget = control(QTest::currentDataTag());
        QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), kind);
        QCOMPARE(widget->property("text").toString(), caption);
        QCOMPARE(widget->geometry(), QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
    }

    // Captions are measured with the font the controls really got, at whatever scale the
    // test runs (CTest runs it at 1 and at 2).
    void everyCaptionFitsItsControl()
    {
        QCOMPARE(QFontInfo(window->font()).family(), QStringLiteral("Liberation Sans Narrow"));
        for (const char* name : { "Label1", "Label2" }) {
            auto* label = control<QLabel>(name);
            const QRect needed = label->fontMetrics().boundingRect(label->text());
            QVERIFY2(needed.width() <= label->width() && needed.height() <= label->height(), name);
        }
        for (const char* name : { "NTSC", "PAL" }) {
            auto* radio = control<QRadioButton>(name);
            QStyleOptionButton option;
            option.initFrom(radio);
            option.text = radio->text();
            const QRect text = radio->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, radio);
            const int needed = radio->fontMetrics().horizontalAdvance(radio->text());
            QVERIFY2(text.left() + needed <= radio->width(), name);
            QVERIFY2(radio->fontMetrics().height() <= radio->height(), name);
        }
        for (const char* name : { "Command1", "Command2" }) {
            auto* button = control<QPushButton>(name);
            const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
            QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) + 2 * margin <= button->width(), name);
            QVERIFY2(button->fontMetrics().height() + margin <= button->height(), name);
        }
        auto* text = control<QLineEdit>("Text1");
        const int frame = text->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, text);
        QVERIFY(text->fontMetrics().height() + 2 * frame <= text->height());
    }

    void tabVisitsPalBeforeNtscAndTheGroupOnce()
    {
        // The focus chain holds the labels too; only controls that take Tab focus count.
        const auto nextTabStop = [](QWidget* widget) {
            do
                widget = widget->nextInFocusChain();
            while (!(widget->focusPolicy() & Qt::TabFocus));
            return widget;
        };
        QCOMPARE(nextTabStop(control("Text1")), control("Command1"));
        QCOMPARE(nextTabStop(control("Command1")), control("PAL"));
        QCOMPARE(nextTabStop(control("PAL")), control("NTSC"));
        QCOMPARE(nextTabStop(control("NTSC")), control("Command2"));

        for (const char* next : { "Command1", "PAL", "Command2", "Text1" }) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QLatin1String(next));
        }
    }

    void keyboardSelectsAStandardAndTheLastSelectionWins()
    {
        control("PAL")->setFocus();
        QTest::keyClick(control("PAL"), Qt::Key_Space);
        QVERIFY(control<QRadioButton>("PAL")->isChecked());
        QTest::keyClick(control("PAL"), Qt::Key_Up);
        QVERIFY(control<QRadioButton>("NTSC")->isChecked());
        QVERIFY(!control<QRadioButton>("PAL")->isChecked());

        browseTo(QStringLiteral("/img/disc.bin"));
        click("Command2");
        QCOMPARE(starter.started.size(), std::size_t { 1 });
        QCOMPARE(starter.started[0].arguments[1], std::string("-n"));

        click("PAL");
        QVERIFY(!control<QRadioButton>("NTSC")->isChecked());
        click("Command2");
        QCOMPARE(starter.started[1].arguments[1], std::string("-p"));
    }

    void loadPreparesTheDialogAndBrowseShowsTheChoice()
    {
        QCOMPARE(dialog->InitDir, QStringLiteral("/"));
        QCOMPARE(dialog->Filter, QStringLiteral("Cdr-Win Image (*.bin)|*.bin|ISO Image (*.iso)|*.iso"));

        QTest::keyClicks(control("Text1"), QStringLiteral("typed by hand"));
        browseTo(QStringLiteral("/img/My Images/disc.iso"));
        QCOMPARE(dialog->askedDirectories, QStringList { QStringLiteral("/") });
        // Each description as it is shown, then the patterns that the dialog keeps out of sight.
        QCOMPARE(dialog->askedFilters,
            (QStringList {
                QStringLiteral("Cdr-Win Image (*.bin) (*.bin)"), QStringLiteral("ISO Image (*.iso) (*.iso)") }));
        QCOMPARE(CommonDialog::nameFilters(QStringLiteral("Images|*.bin;*.iso|All|*")),
            (QStringList { QStringLiteral("Images (*.bin *.iso)"), QStringLiteral("All (*)") }));
        QCOMPARE(control<QLineEdit>("Text1")->text(), QStringLiteral("/img/My Images/disc.iso"));

        // The next opening starts where the last choice was made.
        browseTo(QStringLiteral("/other/disc.bin"));
        QCOMPARE(dialog->askedDirectories.last(), QStringLiteral("/img/My Images"));
    }

    void cancelKeepsTheEarlierChoice()
    {
        browseTo(QString());
        QVERIFY(control<QLineEdit>("Text1")->text().isEmpty());

        browseTo(QStringLiteral("/img/disc.bin"));
        control<QLineEdit>("Text1")->setText(QStringLiteral("typed over"));
        browseTo(QString());
        QCOMPARE(control<QLineEdit>("Text1")->text(), QStringLiteral("/img/disc.bin"));
        click("PAL");
        click("Command2");
        QCOMPARE(starter.started.at(0).commandLine, std::string("zoraven -p /img/disc.bin"));
    }

    void convertAsksForWhatIsMissingInOrder()
    {
        // A path typed by hand is never used.
        QTest::keyClicks(control("Text1"), QStringLiteral("/img/typed.bin"));
        click("Command2");
        click("NTSC");
        click("Command2");
        QCOMPARE(notices->shown, (QStringList { kImageNotice, kImageNotice }));
        QVERIFY(starter.started.empty());
    }

    void convertWithAFileButNoStandardAsksForTheStandard()
    {
        browseTo(QStringLiteral("/img/disc.iso"));
        click("Command2");
        QCOMPARE(notices->shown, QStringList { kFormatNotice });
        QVERIFY(starter.started.empty());
    }

    void convertStartsTheConverterWithTheChosenFileAndStandard()
    {
        const QString hostile = QStringLiteral("/img/\"it's\" $(x) `y` ;|& -rf caf\u00e9.iso");
        browseTo(hostile);
        click("PAL");
        click("Command2");
        click("Command2");
        QVERIFY(notices->shown.isEmpty());
        QCOMPARE(starter.started.size(), std::size_t { 2 });
        const std::string path = hostile.toUtf8().toStdString();
        QCOMPARE(starter.started[0].arguments, (std::vector<std::string> { "zoraven", "-p", path }));
        QCOMPARE(starter.started[0].commandLine, "zoraven -p " + path);
        QCOMPARE(starter.started[1].arguments, starter.started[0].arguments);
        QCOMPARE(control<QLineEdit>("Text1")->text(), hostile);
    }

    void aMissingConverterIsReportedEachTime()
    {
        starter.result = zoraven::LaunchResult::NotFound;
        browseTo(QStringLiteral("/img/disc.bin"));
        click("NTSC");
        click("Command2");
        click("Command2");
        QCOMPARE(notices->shown, (QStringList { kMissingNotice, kMissingNotice }));
        QVERIFY(control<QRadioButton>("NTSC")->isChecked());

        notices->shown.clear();
        starter.result = zoraven::LaunchResult::Failed;
        click("Command2");
        QVERIFY(notices->shown.isEmpty());
    }

    void screenReadersHearTheTextBoxNameAndNotTheFlag()
    {
        QAccessibleInterface* text = QAccessible::queryAccessibleInterface(control("Text1"));
        QVERIFY(text);
        QCOMPARE(text->text(QAccessible::Name), QStringLiteral("Image location"));
        click("NTSC");
        QAccessibleInterface* mode = QAccessible::queryAccessibleInterface(control("mode"));
        QVERIFY(mode);
        QVERIFY(mode->state().invisible);
    }

    // The real message box, driven from inside its own event loop.
    void noticeIsAModalBoxWithOneOkAndNoIcon()
    {
        bool inspected = false;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            QCOMPARE(box->windowTitle(), QStringLiteral("ZORAVEN Frontend"));
            QCOMPARE(box->text(), kMissingNotice);
            QCOMPARE(box->icon(), QMessageBox::NoIcon);
            QCOMPARE(box->buttons().size(), 1);
            QCOMPARE(box->standardButton(box->buttons().first()), QMessageBox::Ok);
            QVERIFY(box->isModal());
            inspected = true;
            QTest::mouseClick(box->buttons().first(), Qt::LeftButton);
        });
        NoticeBox().show(window.get(), kMissingNotice);
        QVERIFY(inspected);
    }

    // The real Qt dialog behind the file dialog, answered from inside its own event loop: its
    // title and its entries as they read on the screen.
    void theOpenDialogStartsAtTheRootWithTheFirstFilter()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("disc one.iso"));
        QFile(file).open(QIODevice::WriteOnly);

        CommonDialog real;
        real.InitDir = QStringLiteral("/");
        real.Filter = QStringLiteral("Cdr-Win Image (*.bin)|*.bin|ISO Image (*.iso)|*.iso");
        bool inspected = false;
        auto answer = [&](bool accept) {
            // A failed check returns early: the dialog is closed all the same, or the test
            // would wait in it until the watchdog ends it.
            const auto closeAnyway = qScopeGuard([] {
                if (QWidget* modal = QApplication::activeModalWidget())
                    modal->close();
            });
            auto* open = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(open);
            if (!inspected) {
                QCOMPARE(open->directory().absolutePath(), QStringLiteral("/"));
                QCOMPARE(open->windowTitle(), QStringLiteral("Open"));
                QCOMPARE(open->nameFilters().size(), 2);
                QCOMPARE(open->fileMode(), QFileDialog::ExistingFile);
                QVERIFY(open->isModal());
                auto* entries = open->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
                QVERIFY(entries);
                QCOMPARE(entries->count(), 2);
                QCOMPARE(entries->itemText(0), QStringLiteral("Cdr-Win Image (*.bin)"));
                QCOMPARE(entries->itemText(1), QStringLiteral("ISO Image (*.iso)"));
                QCOMPARE(entries->currentIndex(), 0);
            }
            inspected = true;
            if (accept) {
                open->selectNameFilter(open->nameFilters().value(1));
                open->selectFile(file);
                static_cast<QDialog*>(open)->accept(); // public as a QDialog
            } else {
                open->reject();
            }
        };
        QTimer::singleShot(0, this, [&] { answer(true); });
        real.ShowOpen(window.get());
        QVERIFY(inspected);
        QCOMPARE(real.FileName(), file);

        QTimer::singleShot(0, this, [&] { answer(false); });
        real.ShowOpen(window.get());
        QCOMPARE(real.FileName(), file);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
