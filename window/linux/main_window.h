// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <memory>

#include <QWidget>

#include "common_dialog.h"
#include "conversion_request.h"
#include "notice_box.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The program's one window. It holds both choices of the user (the image in its file
// dialog, the standard in the label `mode`) and hands every decision to the request.
class Form1 : public QWidget, private zoraven::RequestHost {
    Q_OBJECT

public:
    explicit Form1(zoraven::ConverterStarter& starter,
        std::unique_ptr<CommonDialog> dialog = std::make_unique<CommonDialog>(),
        std::unique_ptr<NoticeBox> notices = std::make_unique<NoticeBox>(), QWidget* parent = nullptr);
    ~Form1() override;

    // Pixels in Qt's device-independent units: the layout is drawn in twips, 15 to a pixel.
    static constexpr int pixels(int twips) { return twips / 15; }
    static QFont captionFont();

private:
    void Form_Load();
    void browse();

    zoraven::ImagePath imagePath() const override;
    zoraven::FormatFlag formatFlag() const override;
    void setFormatFlag(const zoraven::FormatFlag& flag) override;
    void ShowNotice(std::string_view text) override;

    std::unique_ptr<CommonDialog> CommonDialog1;
    std::unique_ptr<NoticeBox> m_notices;
    zoraven::ConversionRequest m_request;

    QLabel* Label1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;
    QLabel* Label2 = nullptr;
    QRadioButton* NTSC = nullptr;
    QRadioButton* PAL = nullptr;
    QPushButton* Command2 = nullptr;
    QLabel* mode = nullptr;
};
