// The command buttons, page buttons and frame of the list windows.
#include "listwindow.h"

#include "uifonts.h"

#include <QMdiSubWindow>
#include <QPushButton>

namespace rz {

std::array<QPushButton *, 12> makeCommandButtons(QWidget *parent, const ButtonText (&texts)[12],
                                                 const std::function<int(int)> &left, int top, int width, int height,
                                                 const std::function<void(int)> &click)
{
    std::array<QPushButton *, 12> buttons{};
    for (int i = 0; i < 12; ++i) {
        if (left(i) < 0)
            continue;
        auto *b = new QPushButton(QString::fromUtf8(texts[i].caption), parent);
        b->setObjectName(QStringLiteral("Command1_%1").arg(i));
        b->setToolTip(QString::fromUtf8(texts[i].tip));
        b->setFont(buttonFont());
        // The grid or the overlay keeps the focus; the buttons only click.
        b->setFocusPolicy(Qt::NoFocus);
        b->setGeometry(twipsRect(left(i), top, width, height));
        QObject::connect(b, &QPushButton::clicked, parent, [click, i] { click(i); });
        buttons[static_cast<size_t>(i)] = b;
    }
    return buttons;
}

std::array<QPushButton *, 2> makePageButtons(QWidget *parent, const std::function<void(int)> &click)
{
    std::array<QPushButton *, 2> buttons{};
    const char *const captions[2] = {"Up", "Down"};
    for (int i = 0; i < 2; ++i) {
        auto *b = new QPushButton(QString::fromLatin1(captions[i]), parent);
        b->setObjectName(QStringLiteral("Command2_%1").arg(i));
        b->setFocusPolicy(Qt::NoFocus);
        QObject::connect(b, &QPushButton::clicked, parent, [click, i] { click(i); });
        buttons[static_cast<size_t>(i)] = b;
    }
    return buttons;
}

void placePageButtons(const std::array<QPushButton *, 2> &buttons, int bottomTwips)
{
    for (int i = 0; i < 2; ++i)
        buttons[static_cast<size_t>(i)]->setGeometry(twipsRect(9120 + i * 720, bottomTwips, 734, 299));
}

void closeChildFrame(QWidget *window)
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(window->parentWidget()))
        sub->close();
    else
        window->close();
}

QPoint globalPointFromTwips(const QWidget *window, int x, int y)
{
    return window->mapToGlobal(QPoint(twipsToPixels(x), twipsToPixels(y)));
}

}  // namespace rz
