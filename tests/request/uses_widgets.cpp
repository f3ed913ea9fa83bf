// Compiled only by the test that proves it cannot be: the request library gives no way to
// the widgets.
#include <QtWidgets/QWidget>

int main()
{
    QWidget widget;
    return 0;
}
