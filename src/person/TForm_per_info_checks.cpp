// The check before a person is stored, the ID field's exit, and the store.
#include <sqlite3.h>
#include <QDate>

#include "app/globals/Globals.h"
#include "person/IdCardCheck.h"
#include "person/TForm_per_info.h"
#include "platform/Clock.h"
#include "store/Error.h"
#include "store/ErrorText.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"

namespace {
const QString kEmptyDate = QStringLiteral("    -  -  ");
const QString kDisabledVeteran = QStringLiteral("在乡二等乙级伤残军人");

bool sameValue(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
    return a.toString() == b.toString();
}

// A date column later than today (the present moment, since a date has no time).
bool afterToday(const QVariant& v) {
    if (v.isNull()) return false;
    const QDate d = QDate::fromString(v.toString(), "yyyy-MM-dd");
    return d.isValid() && d > platform::today();
}

// The pending row of a table, to put back when a store is rolled back.
struct PendingRow {
    store::Dataset::State state;
    qint64 rowId;
    QVariantList values;

    static PendingRow take(store::Table* t) {
        PendingRow r{t->state(), t->currentRowId(), {}};
        for (int i = 0; i < t->fieldCount(); ++i) r.values.append(t->value(i));
        return r;
    }

    void restore(store::Table* t) const {
        if (t->state() == state) {
            // Never posted (or its post failed): the buffer is there; undo what the store set.
            for (int i = 0; i < values.size(); ++i)
                if (!sameValue(t->value(i), values[i])) t->setValue(i, values[i]);
            return;
        }
        // Posted, then rolled back: the table's own picture of its rows is stale.
        t->cancel();
        t->requery();
        // A row no longer stored (removed elsewhere meanwhile) comes back as a new one rather
        // than standing on another person.
        if (state == store::Dataset::State::Insert || !t->locateRowId(rowId)) {
            t->insert();
            for (int i = 0; i < values.size(); ++i)
                if (!values[i].isNull() && t->columns()[i].kind != store::Column::Kind::Serial)
                    t->setValue(i, values[i]);
            return;
        }
        t->edit();
        for (int i = 0; i < values.size(); ++i)
            if (!sameValue(t->value(i), values[i])) t->setValue(i, values[i]);
    }
};
}  // namespace

void TForm_per_info::flushBoundFields() {
    ui::updateRecords(this);
}

int TForm_per_info::corpBelong() const {
    const QVariant v = corpValue("Belong");
    // No level at all is not the lowest level: the rule cannot be judged.
    if (v.isNull() || v.toString().trimmed().isEmpty())
        throw store::Error(
            QString("社保登记证编码为 %1 的参保单位没有隶属关系，无法判断在乡二等乙级伤残军人"
                    "能否在该单位登记。\r\r请先在单位信息中为该单位选择隶属关系，再保存本人信息。")
                .arg(Edit_SHBXDJZBM->text()));
    bool ok = false;
    const int n = v.toString().trimmed().toInt(&ok);
    if (!ok) throw store::Error(QString("“%1”不是有效的整数值").arg(v.toString()));
    return n;
}

bool TForm_per_info::checkIdCard(const QString& number) {
    const idcard::IdCardResult r = idcard::checkPersonIdCard(number);
    if (r.birth.isValid()) {
        if (!ADOTable_PERSON->isEditing()) ADOTable_PERSON->edit();
        ADOTable_PERSON->setValue("BIRTH", r.birth);
    }
    if (!r.sexName.isEmpty()) DBLookupComboBox_SEX->setValue(r.sexName);
    if (r.failed()) throw store::Error(r.errorText);
    if (r.rejected()) {
        ui::dialogs().message(this, r.message);
        return true;
    }
    return false;
}

void TForm_per_info::DBEdit_GMSFZExit() {
    ui::guarded(this, [this] {
        const QString id = DBEdit_GMSFZ->text();
        checkIdCard(id);
        if (perInfoMode != 1) return;
        ADOQuery1->runQuery("select count(*) from M_person where idcard=?", {id});
        const int n = ADOQuery1->recordCount() > 0 ? ADOQuery1->value(0).toInt() : 0;
        if (n > 0) ui::dialogs().message(this, "已经存在该身份证号码");
        ADOQuery1->close();
    });
}

bool TForm_per_info::checkInput() {
    flushBoundFields();
    auto reject = [this](const QString& message, QWidget* focus) {
        ui::dialogs().message(this, message);
        if (focus) focus->setFocus(Qt::OtherFocusReason);
        return true;
    };
    const QString ssn = Edit_SHBXDJZBM->text();
    if (ssn.trimmed().size() != 12) return reject("请正确输入社保登记证号码", Edit_SHBXDJZBM);
    if (Edit_DWMC->text().trimmed().isEmpty())
        return reject(
            "本系统不存在社会保险登记证号码为  " + ssn + "  的参保单位\r\r请检查社保登记证编码是否输入正确",
            Edit_SHBXDJZBM);
    if (DBEdit_NAME->text().trimmed().isEmpty()) return reject("请输入姓名", DBEdit_NAME);
    if (checkIdCard(DBEdit_GMSFZ->text())) {
        DBEdit_GMSFZ->setFocus(Qt::OtherFocusReason);
        return true;
    }
    if (perInfoMode == 1) {
        ADOQuery1->runQuery("select count(*) from M_person where idcard=?", {DBEdit_GMSFZ->text()});
        const int n = ADOQuery1->recordCount() > 0 ? ADOQuery1->value(0).toInt() : 0;
        if (n != 0) return reject("已经存在该身份证号码", DBEdit_GMSFZ);
        ADOQuery1->close();
    }
    if (DBLookupComboBox_SEX->text().trimmed().isEmpty()) return reject("请选择性别", nullptr);
    if (DBEdit_CSRQ->text() == kEmptyDate) return reject("请输入出生日期", nullptr);
    if (DBLookupComboBox_NATION->text().trimmed().isEmpty())
        return reject("请选择民族", DBLookupComboBox_NATION);
    if (DBLookupComboBox_JFRYLB->text().trimmed().isEmpty())
        return reject("请选择缴费人员类别", DBLookupComboBox_JFRYLB);
    if (DBLookupComboBox_YBCBRYLB->text().trimmed().isEmpty())
        return reject("请选择医疗参保人员类别", DBLookupComboBox_YBCBRYLB);
    if (DBLookupComboBox_WHCD->text().trimmed().isEmpty())
        return reject("请选择文化程度", DBLookupComboBox_WHCD);
    const bool veteran = DBLookupComboBox_YBCBRYLB->text() == kDisabledVeteran;
    if (veteran && corpBelong() <= 4)
        return reject("在乡二等乙级伤残军人的所在单位不能为中央、省、计划单列市、市",
                      DBLookupComboBox_YBCBRYLB);
    const bool adminEmployer = corpValue("corptype").toString() == "30";
    if (adminEmployer && DBLookupComboBox_XZZW->text().isEmpty())
        return reject("请选择行政职务", DBLookupComboBox_XZZW);
    if (!adminEmployer && !DBLookupComboBox_XZZW->text().isEmpty()) {
        // Only an employer of that type may give a post: the stored post is emptied.
        DBLookupComboBox_XZZW->setValue(QString());
        setAdminDutyEnabled(false);
    }
    if (afterToday(ADOTable_PERSON->value("WORKDATE")))
        return reject("参加工作日期不能大于当前日期", DBEdit_CJGZRQ);
    if (afterToday(ADOTable_PERSON->value("RETIREDATE")))
        return reject("离退休日期不能大于当前日期", DBEdit_LTXRQ);
    if (!veteran && DBEdit_LTXRQ->text() == kEmptyDate) return reject("请输入离退休日期", DBEdit_LTXRQ);
    const QString retireType = DBLookupComboBox_LTXRYLB->text().trimmed();
    if (!veteran && (retireType.isEmpty() || retireType == "无"))
        return reject("请选择离退休人员类别", DBLookupComboBox_LTXRYLB);
    if (DBEdit_XJZDDZ->text().trimmed().isEmpty()) return reject("请输入现居住地地址", DBEdit_XJZDDZ);
    if (DBEdit_JZDYZBM->text().trimmed().size() != 6)
        return reject("请输入6位居住地邮政编码", DBEdit_JZDYZBM);
    if (DBEdit_CBRDH->text().trimmed().isEmpty()) return reject("请输入参保人电话", DBEdit_CBRDH);
    if (DBEdit_DDYLJG[0]->text().trimmed().size() != 8)
        return reject("请按照顺序输入8位定点医疗机构编码", DBEdit_DDYLJG[0]);
    if (DBLookupComboBox_LXJFFS->text().trimmed().isEmpty())
        return reject("请选择离休医疗统筹缴费方式", DBLookupComboBox_LXJFFS);
    if (checkRepeatHos()) return reject("定点医疗机构重复选择，请核对", nullptr);
    return false;
}

bool TForm_per_info::storePerson() {
    if (!ADOTable_PERSON->isEditing()) ADOTable_PERSON->edit();
    if (!ADOTable_DDYLJG->isEditing()) ADOTable_DDYLJG->edit();
    flushBoundFields();
    const PendingRow person = PendingRow::take(ADOTable_PERSON);
    const PendingRow hospitals = PendingRow::take(ADOTable_DDYLJG);
    try {
        // Both rows or neither: a person without institutions must not be left behind.
        store::Transaction tx(ADOConnection1);
        setFieldValues();
        ADOTable_PERSON->post();
        if (!ADOTable_DDYLJG->isEditing()) ADOTable_DDYLJG->edit();
        ADOTable_DDYLJG->setValue("PSNSN", ADOTable_PERSON->value("PSNSN"));
        ADOTable_DDYLJG->setValue("IDCARD", DBEdit_GMSFZ->text());
        ADOTable_DDYLJG->post();
        tx.commit();
    } catch (const std::exception& e) {
        try {
            person.restore(ADOTable_PERSON);
            hospitals.restore(ADOTable_DDYLJG);
        } catch (...) {
            // The first error is the one to report.
        }
        // A stored person changed to another person's number: refused like a new one.
        const auto* se = dynamic_cast<const store::Error*>(&e);
        if (se && se->code() == SQLITE_CONSTRAINT_UNIQUE &&
            store::constraintColumn(*se).compare("IDCARD", Qt::CaseInsensitive) == 0) {
            ui::dialogs().message(this, "已经存在该身份证号码");
            DBEdit_GMSFZ->setFocus(Qt::OtherFocusReason);
            return false;
        }
        throw;
    }
    ui::dialogs().message(this, "保存数据成功");
    ADOTable_PERSON->edit();
    ADOTable_DDYLJG->edit();
    Button_Insert->setFocus(Qt::OtherFocusReason);
    perInfoMode = 2;
    return true;
}

void TForm_per_info::Button_SAVEClick() {
    ui::guarded(this, [this] {
        if (checkInput()) return;
        storePerson();
    });
    // The panel never covers the control the check (or the store) chose.
    if (Panel_hos->isVisible() && !Panel_hos->isAncestorOf(focusWidget())) Panel_hos->hide();
}

void TForm_per_info::saveByF1() {
    // Leaving the grid takes its row, as a click on "保存" does; taken later,
    // it would pull the focus back from the check's control into the panel.
    if (Panel_hos->isVisible() && focusWidget() == DBGrid1) DBGrid1DblClick();
    Button_SAVEClick();
}
