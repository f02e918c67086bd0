// The checks before an employer is stored, and the save, new-employer and
// close flows that run them.
#include <QApplication>
#include <QDate>

#include "app/globals/Globals.h"
#include "employer/TForm_cop_info.h"
#include "platform/Clock.h"
#include "store/Error.h"
#include "store/ErrorText.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"

namespace {

const QString kSaveQuestion = QStringLiteral("数据已经修改，要保存吗？\r\r保存选 Yes,不保存选 No");

bool blank(const QString& s) {
    return s.trimmed().isEmpty();
}

}  // namespace

bool TForm_cop_info::failCheck(const QString& message, QWidget* control) {
    if (!message.isEmpty()) ui::dialogs().message(this, message);
    if (control->isEnabled()) focusControl(control);
    return true;
}

bool TForm_cop_info::checkInput() {
    // Text still being typed in a bound field goes into the row first, so the
    // date checks below judge what would be stored.
    for (ui::DBEdit* e : findChildren<ui::DBEdit*>()) {
        try {
            e->updateRecord();
        } catch (const store::Error& err) {
            ui::dialogs().error(this, store::errorText(err));
            return failCheck(QString(), e);
        }
    }
    store::Table* t = ADOTable_corporation;
    auto laterThanToday = [t](const char* column) {
        const QVariant v = t->isOpen() ? t->value(QString::fromLatin1(column)) : QVariant();
        const QDate d = QDate::fromString(v.toString(), "yyyy-MM-dd");
        return d.isValid() && d > platform::today();
    };
    const QString number = Edit_BXDJZBM->text();

    if (number.trimmed().size() != 12) return failCheck("请正确输入社保登记证号码", Edit_BXDJZBM);
    if (copInfoMode == 1 && scratchCount("select count(*) from M_corporation where ssn=?", {number}) > 0)
        return failCheck("已经存在该社保登记证号码", Edit_BXDJZBM);
    if (DBLookupComboBox_jfdq->text().isEmpty()) return failCheck("请选择缴费地区", DBLookupComboBox_jfdq);
    if (blank(DBEdit_DWMC->text())) return failCheck("请正确输入单位名称", DBEdit_DWMC);
    if (blank(DBEdit_DWDH->text())) return failCheck("请正确输入单位电话号码", DBEdit_DWDH);
    if (blank(DBEdit_DWDZ->text())) return failCheck("请正确输入单位地址", DBEdit_DWDZ);
    if (DBEdit_DWYB->text().trimmed().size() != 6) return failCheck("请输入6位单位邮政编码", DBEdit_DWYB);
    if (blank(DBEdit_FRXM->text())) return failCheck("请输入法定代表人或负责人姓名", DBEdit_FRXM);
    // The ID check shows its own message.
    if (!checkIdCard(DBEdit_FRSFZ->text())) return failCheck(QString(), DBEdit_FRSFZ);
    if (blank(DBEdit_FRDH->text())) return failCheck("请输入法定代表人或负责人电话", DBEdit_FRDH);
    if (blank(DBEdit_ZGYXM->text())) return failCheck("请输入缴费单位专管员姓名", DBEdit_ZGYXM);
    if (blank(DBEdit_ZGYDH->text())) return failCheck("请输入缴费单位专管员电话", DBEdit_ZGYDH);
    if (DBLookupComboBox_dwlx->text().isEmpty()) return failCheck("请选择单位类型", DBLookupComboBox_dwlx);
    if (DBLookupComboBox_lsgx->text().isEmpty())
        return failCheck("请选择单位隶属关系", DBLookupComboBox_lsgx);
    if (blank(Edit_KHYHDM->text()) || DBLookupComboBox_khyh->text().isEmpty())
        return failCheck("请选择开户银行（收缴）名称", DBLookupComboBox_khyh);
    if (blank(DBEdit_KHHM->text())) return failCheck("请填写户名（收缴）", DBEdit_KHHM);
    if (blank(DBEdit_YHZH->text())) return failCheck("请填写银行基本账号（收缴）", DBEdit_YHZH);

    const QString orgCode = DBEdit_ZZJGDM->text();
    if (!orgCode.isEmpty()) {
        // A stored employer is compared with all others but itself.
        const int used = copInfoMode == 1
                             ? scratchCount("select count(*) from M_corporation where orgcode=?", {orgCode})
                             : scratchCount("select count(*) from M_corporation where orgcode=? and ssn <> ?",
                                            {orgCode, number});
        if (used > 0) return failCheck("已经存在该组织机构代码", DBEdit_ZZJGDM);
    }
    if (blank(DBEdit_DWJC->text())) return failCheck("请填写单位简称", DBEdit_DWJC);
    if (DBLookupComboBox_dwlb->text().isEmpty()) return failCheck("请选择单位类别", DBLookupComboBox_dwlb);
    if (laterThanToday("LICENSEDDATE")) return failCheck("登记证发证日期不能大于当前日期", DBEdit_DJZFZRQ);
    if (laterThanToday("INCOLICENSEDATE")) return failCheck("工商登记发照日期不能大于当前日期", DBEdit_FZRQ);
    if (laterThanToday("APPROVEDATE")) return failCheck("批准日期不能大于当前日期", DBEdit_PZRQ);
    if (DBLookupComboBox_dwlx->text() == QStringLiteral("企业") && DBLookupComboBox_jjlx->text().isEmpty())
        return failCheck("请选择经济类型", DBLookupComboBox_jjlx);
    if (DBLookupComboBox_dwlb->text() != QStringLiteral("不具备法人和非法人条件的单位") &&
        DBEdit_ZZJGDM->text().isEmpty())
        return failCheck("请填写组织机构代码", DBEdit_ZZJGDM);
    if (!DBLookupComboBox_jjlx->text().isEmpty() && DBLookupComboBox_ISZGC->text().isEmpty())
        return failCheck("请选择中关村科技园区投资企业标识", DBLookupComboBox_ISZGC);
    if (DBLookupComboBox_hyxz->text().isEmpty()) return failCheck("请选择行业性质", DBLookupComboBox_hyxz);
    if (DBLookupComboBox_hydm->text().isEmpty()) return failCheck("请选择行业代码", DBLookupComboBox_hydm);
    if (DBLookupComboBox_JFXS->text() == QStringLiteral("独立") && !blank(DBEdit_EJDJZBM->text()))
        return failCheck("选择独立缴费形式，不能输入二级公司的社保登记证编码", DBEdit_EJDJZBM);
    if (DBLookupComboBox_jffs->text().isEmpty()) return failCheck("请选择缴费方式", DBLookupComboBox_jffs);
    if (DBLookupComboBox_lxxsbz->text().isEmpty())
        return failCheck("请选择离休医疗统筹享受标志", DBLookupComboBox_lxxsbz);
    if (DBLookupComboBox_lxxsbz->text() == QStringLiteral("享受") &&
        DBLookupComboBox_lxjffs->text().isEmpty())
        return failCheck("请选择离休医疗统筹缴费方式", DBLookupComboBox_lxjffs);
    if (DBLookupComboBox_JFZQ->text().isEmpty()) return failCheck("请选择缴费周期", DBLookupComboBox_JFZQ);
    if (DBLookupComboBox_JFZQ->text() == QStringLiteral("不定期") && Edit_BDQJFYS->text().isEmpty())
        return failCheck("请填写不定期缴费月数", Edit_BDQJFYS);
    return false;
}

bool TForm_cop_info::saveRecord() {
    if (checkInput()) return false;
    setFieldValues();
    ADOTable_corporation->post();
    QWidget* from = QApplication::focusWidget();
    // Disabling the focused number field must not count as leaving it.
    exitNotifier->setSuspended(true);
    Edit_BXDJZBM->setEnabled(false);
    exitNotifier->setSuspended(false);
    ADOTable_corporation->edit();
    ui::dialogs().message(this, "数据保存成功");
    copInfoMode = 2;
    focusControl(Button_insert, from);
    return true;
}

void TForm_cop_info::Button_saveClick() {
    ui::guarded(this, [this] { saveRecord(); });
}

void TForm_cop_info::Button_insertClick() {
    ui::guarded(this, [this] {
        if (!ADOTable_corporation->isOpen()) ADOTable_corporation->open();
        ui::updateRecords(this);
        if (ADOTable_corporation->modified() && ui::dialogs().confirm(this, kSaveQuestion)) {
            if (checkInput()) return;
            if (!saveRecord()) return;
        }
        clearScreen();
        ADOTable_corporation->cancel();
        ADOTable_corporation->insert();
        Edit_BXDJZBM->setEnabled(true);
        Edit_BXDJZBM->clear();
        focusControl(Edit_BXDJZBM);
        showPage(TabSheet1);
        copInfoMode = 1;
    });
}

void TForm_cop_info::Button_CLOSEClick() {
    ui::guarded(this, [this] {
        // The field being typed in counts as changed, as if it had been left.
        if (ADOTable_corporation->isOpen()) ui::updateRecords(this);
        if (ADOTable_corporation->isOpen() && ADOTable_corporation->modified() &&
            ui::dialogs().confirm(this, kSaveQuestion)) {
            if (checkInput()) return;
            if (!saveRecord()) return;
        }
        Edit_BXDJZBM->setEnabled(false);
        if (ADOTable_corporation->isOpen()) ADOTable_corporation->cancel();
        reject();
    });
}
