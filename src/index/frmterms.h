// The 見積条件 dialog of the estimate list (F7): the conditions of the
// estimate on its first page with the closing lines worked out as the user
// types, the issuer of the file on its second. A thin window over
// TermsSession, which checks, computes and stores.
#pragma once
#include "termssession.h"

#include <QDialog>
#include <array>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace rz {

class FrmTerms : public QDialog {
    Q_OBJECT
public:
    FrmTerms(TermsSession &session, const QString &estimateName, QWidget *parent = nullptr);

    std::array<QLineEdit *, TermsSession::FieldCount> TxtField{};
    QButtonGroup *OverheadKind, *WelfareKind, *WelfareBase, *TaxRounding;
    QCheckBox *ChkDefault;
    std::array<QLabel *, 7> LblLine{};  // the closing lines, label and amount
    std::array<QLabel *, 7> LblAmount{};
    QLabel *LblLabour;
    QTabWidget *Pages;
    QPushButton *cmdOK, *cmdCancel;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *field(TermsSession::Field f, QWidget *parent);
    QButtonGroup *choice(QWidget *parent, const QStringList &captions, int checked, const std::function<void(int)> &set,
                         QLayout *into);
    QWidget *conditionsPage();
    QWidget *issuerPage();
    void showPreview();
    void focusField(TermsSession::Field f);
    void ok();

    TermsSession &session_;
    bool checking_ = false;
};

}  // namespace rz
