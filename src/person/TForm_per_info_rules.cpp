// Fee rules of the person window: how the employer pays decides which
// contributor, medical and payment categories its persons may take.
#include "person/TForm_per_info.h"

#include "ui/Guard.h"

namespace {
const QString kLixiu = QStringLiteral("离休人员");
const QString kLixiuNonPaying = QStringLiteral("离休非缴费人员");
const QString kFinanced = QStringLiteral("财政拨款");
const QString kEmployerPays = QStringLiteral("单位缴费");

// The codes are constants of the program, written as single-quoted literals.
const QString kMedAll3 = QStringLiteral("select * from D_MedPsnType where code in ('27','31','49')");
const QString kMed2 = QStringLiteral("select * from D_MedPsnType where code in ('27','31')");
const QString kFeePsn17 = QStringLiteral("select * from D_FeePsnType where code = '17'");
const QString kFeePsn14 = QStringLiteral("select * from D_FeePsnType where code = '14'");
const QString kFeePsnAll = QStringLiteral("select * from D_FeePsnType");
const QString kPay1 = QStringLiteral("select * from D_PSNSRETFEETYPE where code = '1'");
const QString kPay2 = QStringLiteral("select * from D_PSNSRETFEETYPE where code = '2'");
const QString kPayAll = QStringLiteral("select * from D_PSNSRETFEETYPE");
}  // namespace

void TForm_per_info::restrictList(store::Query* list, const QString& sql) {
    list->runQuery(sql);
}

void TForm_per_info::checkLxFeeMethod() {
    if (corpSRetFeeType_ == "1") {
        restrictList(ADOQuery_JFRYLB, kFeePsn17);
        DBLookupComboBox_JFRYLB->setValue(kLixiuNonPaying);
        restrictList(ADOQuery_LXJFFS, kPay1);
        DBLookupComboBox_LXJFFS->setValue(kFinanced);
        restrictList(ADOQuery_YBCBRYLB, kMedAll3);
    } else if (corpSRetFeeType_ == "2") {
        restrictList(ADOQuery_JFRYLB, kFeePsn14);
        DBLookupComboBox_JFRYLB->setValue(kLixiu);
        restrictList(ADOQuery_LXJFFS, kPay2);
        DBLookupComboBox_LXJFFS->setValue(kEmployerPays);
        restrictList(ADOQuery_YBCBRYLB, kMed2);
    } else if (corpSRetFeeType_ == "3") {
        restrictList(ADOQuery_JFRYLB, kFeePsnAll);
        restrictList(ADOQuery_YBCBRYLB, kMedAll3);
        restrictList(ADOQuery_LXJFFS, kPayAll);
        DBLookupComboBox_LXJFFS->setValue(kEmployerPays);
    }
}

void TForm_per_info::ADOQuery_JFRYLBAfterScroll() {
    ui::guarded(this, [this] {
        if (!ADOQuery_JFRYLB->isOpen() || ADOQuery_JFRYLB->recNo() < 0) return;
        const QString code = ADOQuery_JFRYLB->value(0).toString();
        if (code == "14") {
            restrictList(ADOQuery_YBCBRYLB, kMed2);
            restrictList(ADOQuery_LXJFFS, kPay2);
            DBLookupComboBox_LXJFFS->setValue(kEmployerPays);
        } else if (code == "17") {
            restrictList(ADOQuery_YBCBRYLB, kMedAll3);
            restrictList(ADOQuery_LXJFFS, kPay1);
            DBLookupComboBox_LXJFFS->setValue(kFinanced);
        }
    });
}

void TForm_per_info::DBLookupComboBox_JFRYLBExit() {
    DBLookupComboBox_LTXRYLB->setValue(DBLookupComboBox_JFRYLB->text() == kLixiu ? kLixiu : QString());
}

void TForm_per_info::setAdminDutyEnabled(bool on) {
    DBLookupComboBox_XZZW->setEnabled(on);
    // Window background when it may be chosen, menu grey when not.
    QPalette p = DBLookupComboBox_XZZW->palette();
    p.setColor(QPalette::Base, on ? palette().color(QPalette::Base) : palette().color(QPalette::Button));
    p.setColor(QPalette::Button, on ? palette().color(QPalette::Base) : palette().color(QPalette::Button));
    DBLookupComboBox_XZZW->setPalette(p);
}

void TForm_per_info::checkAdminDuty() {
    if (corpValue("corptype").toString() != "30") {
        DBLookupComboBox_XZZW->setValue(QString());
        setAdminDutyEnabled(false);
    } else {
        setAdminDutyEnabled(true);
    }
}
