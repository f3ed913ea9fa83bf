#include "notice_box.h"

#include <QMessageBox>

#include "main_window.h"

void NoticeBox::show(QWidget* parent, const QString& text)
{
    QMessageBox box(parent);
    box.setWindowTitle(applicationTitle());
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}
