// The find window: what it shows of the search and the keys it takes.
#include "frmfind.h"

#include "u1find.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>

namespace rz {

namespace {
// The list shows the first hits; more would only slow typing down.
constexpr int kShownHits = 1000;
}  // namespace

FrmFind::FrmFind(U1Find &find, QWidget *parent) : QDialog(parent), find_(find)
{
    setObjectName(QStringLiteral("FrmFind"));
    setWindowTitle(U1Find::kTitle);
    TxtFind = new QLineEdit(this);
    TxtFind->setObjectName(QStringLiteral("TxtFind"));
    TxtFind->setPlaceholderText(QStringLiteral("名称・規格・備考"));
    TxtFind->installEventFilter(this);
    LstHits = new QTableWidget(0, 4, this);
    LstHits->setObjectName(QStringLiteral("LstHits"));
    LstHits->setHorizontalHeaderLabels(
        {QStringLiteral("階層"), QStringLiteral("上の行"), QStringLiteral("名称"), QStringLiteral("金額")});
    LstHits->verticalHeader()->hide();
    LstHits->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    LstHits->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LstHits->setSelectionBehavior(QAbstractItemView::SelectRows);
    LstHits->setSelectionMode(QAbstractItemView::SingleSelection);
    LstHits->horizontalHeader()->setStretchLastSection(false);
    LstHits->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    LstHits->installEventFilter(this);
    LblStatus = new QLabel(this);
    LblStatus->setObjectName(QStringLiteral("LblStatus"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(TxtFind);
    layout->addWidget(LstHits);
    layout->addWidget(LblStatus);
    resize(720, 420);
    connect(TxtFind, &QLineEdit::textChanged, this, [this](const QString &text) {
        find_.setQuery(text);
        fill();
    });
    connect(LstHits, &QTableWidget::cellDoubleClicked, this, [this] { go(); });
    connect(this, &QDialog::finished, this, [this] {
        find_.close();
        if (onDone)
            onDone();
    });
    fill();
}

void FrmFind::fill()
{
    const int n = std::min(int(find_.hits().size()), kShownHits);
    LstHits->setRowCount(n);
    for (int i = 0; i < n; ++i) {
        const ItemFinder::Row &r = find_.hit(i);
        const QString texts[4] = {QString::number(r.level + 1), r.path,
                                  (r.provisional ? QStringLiteral("× ") : QString()) + r.name, find_.amountText(i)};
        for (int c = 0; c < 4; ++c) {
            auto *item = new QTableWidgetItem(texts[c]);
            if (c == 0 || c == 3)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            LstHits->setItem(i, c, item);
        }
    }
    LstHits->resizeColumnToContents(0);
    LstHits->resizeColumnToContents(2);
    LstHits->resizeColumnToContents(3);
    if (n > 0)
        LstHits->setCurrentCell(0, 0);
    LblStatus->setText(find_.status());
}

void FrmFind::go()
{
    const int i = LstHits->currentRow();
    if (i < 0)
        return;
    find_.accept(i);
    accept();
}

bool FrmFind::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            go();
            return true;
        }
        // The arrows move through the hits while the box keeps the typing.
        if (watched == TxtFind && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) && LstHits->rowCount() > 0) {
            const int to = std::clamp(LstHits->currentRow() + (key->key() == Qt::Key_Down ? 1 : -1), 0,
                                      LstHits->rowCount() - 1);
            LstHits->setCurrentCell(to, 0);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace rz
