// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "main_window.h"

#include "form_layout.h"

#include <iterator>
#include <map>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

QString qtText(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QWidget* makeControl(const zoraven::form1::Control& layout, QWidget* window)
{
    using zoraven::form1::Kind;
    const QString caption = qtText(layout.caption);
    QWidget* control = nullptr;
    switch (layout.kind) {
    case Kind::Label: {
        auto* label = new QLabel(caption, window);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        control = label;
        break;
    }
    case Kind::TextBox:
        control = new QLineEdit(caption, window);
        break;
    case Kind::PushButton:
        control = new QPushButton(caption, window);
        break;
    case Kind::OptionButton:
        control = new QRadioButton(caption, window);
        break;
    }
    control->setObjectName(qtText(layout.name));
    control->setGeometry(Form1::pixels(layout.left), Form1::pixels(layout.top), Form1::pixels(layout.width),
        Form1::pixels(layout.height));
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
    using namespace zoraven::form1;
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(qtText(kCaption));
    setFixedSize(pixels(kClientWidth), pixels(kClientHeight));
    setFont(captionFont());

    // The controls that take the focus, in the keyboard's order: PAL before NTSC, although it
    // stands below it.
    std::map<int, QWidget*> focusOrder;
    for (const Control& layout : kControls) {
        QWidget* control = makeControl(layout, this);
        if (layout.kind != Kind::Label)
            focusOrder[layout.tabIndex] = control;
    }
    for (auto next = focusOrder.begin(); next != focusOrder.end() && std::next(next) != focusOrder.end(); ++next)
        setTabOrder(next->second, std::next(next)->second);

    Label1 = findChild<QLabel*>(QStringLiteral("Label1"));
    Text1 = findChild<QLineEdit*>(QStringLiteral("Text1"));
    Command1 = findChild<QPushButton*>(QStringLiteral("Command1"));
    Label2 = findChild<QLabel*>(QStringLiteral("Label2"));
    NTSC = findChild<QRadioButton*>(QStringLiteral("NTSC"));
    PAL = findChild<QRadioButton*>(QStringLiteral("PAL"));
    Command2 = findChild<QPushButton*>(QStringLiteral("Command2"));
    // Holds the chosen flag for the program; nothing for the user to see or a screen reader to announce.
    mode = findChild<QLabel*>(QStringLiteral("mode"));
    mode->hide();

    Label1->setBuddy(Text1);
    focusOrder.begin()->second->setFocus();

    connect(Command1, &QPushButton::clicked, this, &Form1::browse);
    connect(NTSC, &QRadioButton::clicked, this, [this] { m_request.selectFormat(zoraven::Standard::NTSC); });
    connect(PAL, &QRadioButton::clicked, this, [this] { m_request.selectFormat(zoraven::Standard::PAL); });
    connect(Command2, &QPushButton::clicked, this, [this] { m_request.requestConversion(); });

    Form_Load();
}

Form1::~Form1() = default;

void Form1::Form_Load()
{
    CommonDialog1->InitDir = qtText(zoraven::form1::kInitDir);
    CommonDialog1->Filter = qtText(zoraven::form1::kFilter);
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

void Form1::ShowNotice(std::string_view text) { m_notices->show(this, qtText(text)); }
