// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "main_window.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

template <typename Control>
Control* place(QWidget* window, const char* name, const QString& caption, int left, int top, int width, int height)
{
    auto* control = new Control(caption, window);
    control->setObjectName(QLatin1String(name));
    control->setGeometry(Form1::pixels(left), Form1::pixels(top), Form1::pixels(width), Form1::pixels(height));
    return control;
}

} // namespace

QFont Form1::captionFont()
{
    // Narrow enough that every caption fits its control at the sizes the layout gives, sized
    // in pixels so that it scales with the rest of the window.
    QFont font(QStringLiteral("Liberation Sans Narrow"));
    font.setPixelSize(12);
    return font;
}

Form1::Form1(zoraven::ConverterStarter& starter, std::unique_ptr<CommonDialog> dialog,
    std::unique_ptr<NoticeBox> notices, QWidget* parent)
    : QWidget(parent)
    , CommonDialog1(std::move(dialog))
    , m_notices(std::move(notices))
    , m_request(*this, starter)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("ZORAVEN frontend By (^)TOLVAR(^)"));
    setFixedSize(pixels(5790), pixels(2520));
    setFont(captionFont());

    Label1 = place<QLabel>(this, "Label1", QStringLiteral("Image location"), 120, 480, 1095, 255);
    Text1 = place<QLineEdit>(this, "Text1", QString(), 1320, 480, 2415, 285);
    Command1 = place<QPushButton>(this, "Command1", QStringLiteral("Browse"), 3840, 480, 1695, 375);
    Label2 = place<QLabel>(this, "Label2", QStringLiteral("Convert Image To:"), 120, 1320, 1335, 255);
    NTSC = place<QRadioButton>(
        this, "NTSC", QString::fromLatin1(formatEntry(zoraven::Standard::NTSC).caption), 1560, 1320, 855, 375);
    PAL = place<QRadioButton>(
        this, "PAL", QString::fromLatin1(formatEntry(zoraven::Standard::PAL).caption), 1560, 1800, 855, 255);
    Command2 = place<QPushButton>(this, "Command2", QStringLiteral("CONVERT IMAGE"), 3840, 1320, 1695, 615);
    // Holds the chosen flag for the program; nothing for the user to see or a screen reader to announce.
    mode = place<QLabel>(this, "mode", QString(), 5760, 120, 615, 255);
    mode->hide();

    Label1->setBuddy(Text1);
    for (QLabel* label : { Label1, Label2 })
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // PAL before NTSC, although it stands below it.
    setTabOrder(Text1, Command1);
    setTabOrder(Command1, PAL);
    setTabOrder(PAL, NTSC);
    setTabOrder(NTSC, Command2);
    Text1->setFocus();

    connect(Command1, &QPushButton::clicked, this, &Form1::browse);
    connect(NTSC, &QRadioButton::clicked, this, [this] { m_request.selectFormat(zoraven::Standard::NTSC); });
    connect(PAL, &QRadioButton::clicked, this, [this] { m_request.selectFormat(zoraven::Standard::PAL); });
    connect(Command2, &QPushButton::clicked, this, [this] { m_request.requestConversion(); });

    Form_Load();
}

Form1::~Form1() = default;

void Form1::Form_Load()
{
    CommonDialog1->InitDir = QStringLiteral("/");
    CommonDialog1->Filter = QStringLiteral("Cdr-Win Image (*.bin)|*.bin|ISO Image (*.iso)|*.iso");
}

void Form1::browse()
{
    CommonDialog1->ShowOpen(this);
    Text1->setText(CommonDialog1->FileName());
}

zoraven::ImagePath Form1::imagePath() const
{
    // The file's name as the file system holds it, byte for byte.
    return QFile::encodeName(CommonDialog1->FileName()).toStdString();
}

zoraven::FormatFlag Form1::formatFlag() const { return mode->text().toStdString(); }

void Form1::setFormatFlag(const zoraven::FormatFlag& flag) { mode->setText(QString::fromStdString(flag)); }

void Form1::ShowNotice(std::string_view text)
{
    m_notices->show(this, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}
