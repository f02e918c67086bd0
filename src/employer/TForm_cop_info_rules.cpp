// Rules by which one employer field fills, clears or switches another. None
// of them holds the focus: their messages are warnings, the save refuses.
#include <QApplication>
#include <QFocusEvent>

#include "app/globals/Globals.h"
#include "employer/TForm_cop_info.h"
#include "person/IdCardCheck.h"
#include "store/Format.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"

void TForm_cop_info::connectRules() {
    auto rule = [this](store::Dataset* list, void (TForm_cop_info::*handler)()) {
        connect(list, &store::Dataset::afterScroll, this,
                [this, handler] { ui::guarded(this, [&] { (this->*handler)(); }); });
    };
    rule(ADOQuery_dwlx, &TForm_cop_info::ADOQuery_dwlxAfterScroll);
    rule(ADOQuery_hyxz, &TForm_cop_info::ADOQuery_hyxzAfterScroll);
    rule(ADOQuery_JFXS, &TForm_cop_info::ADOQuery_JFXSAfterScroll);
    rule(ADOQuery_lxxsbz, &TForm_cop_info::ADOQuery_lxxsbzAfterScroll);
    rule(ADOTable_JFZQ, &TForm_cop_info::ADOTable_JFZQAfterScroll);

    onExit(Edit_BXDJZBM, &TForm_cop_info::Edit_BXDJZBMExit);
    onExit(DBLookupComboBox_jfdq, &TForm_cop_info::DBLookupComboBox_jfdqExit);
    onExit(DBLookupComboBox_khyh, &TForm_cop_info::DBLookupComboBox_khyhExit);
    onExit(Edit_KHYHDM, &TForm_cop_info::Edit_KHYHDMExit);
    onExit(DBLookupComboBox_ZFKHYHMC, &TForm_cop_info::DBLookupComboBox_ZFKHYHMCExit);
    onExit(Edit_ZFKHYHDM, &TForm_cop_info::Edit_ZFKHYHDMExit);
    onExit(DBEdit_YHZH, &TForm_cop_info::DBEdit_YHZHExit);
    onExit(DBEdit_FRSFZ, &TForm_cop_info::DBEdit_FRSFZExit);
    onExit(DBEdit_EJDJZBM, &TForm_cop_info::DBEdit_EJDJZBMExit);

    for (QWidget* b :
         {static_cast<QWidget*>(Button1), static_cast<QWidget*>(Button2), static_cast<QWidget*>(Button3)})
        b->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && now == pendingAdvance_) {
            pendingAdvance_ = nullptr;
            pageAdvance(now);
        }
    });
}

bool TForm_cop_info::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn &&
        (watched == Button1 || watched == Button2 || watched == Button3)) {
        // Only the keyboard walks through the page ends; a page shown by the
        // program may hand its remembered focus back to one, which is no move.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)
            pendingAdvance_ = static_cast<QWidget*>(watched);
    }
    return QDialog::eventFilter(watched, event);
}

void TForm_cop_info::pageAdvance(QWidget* button) {
    if (button == Button3) {
        focusControl(Button_save, button);
        return;
    }
    QWidget* next = button == Button1 ? TabSheet2 : TabSheet3;
    QWidget* first = button == Button1 ? static_cast<QWidget*>(DBEdit_DWMC2) : DBLookupComboBox_ZFDQ;
    exitNotifier->setSuspended(true);
    PageControl1->setCurrentWidget(next);
    first->setFocus(Qt::TabFocusReason);
    exitNotifier->setSuspended(false);
}

void TForm_cop_info::onExit(QWidget* control, void (TForm_cop_info::*handler)()) {
    exitHandlers_.insert(control, handler);
    exitNotifier->onExit(control, [this, handler] { ui::guarded(this, [&] { (this->*handler)(); }); });
}

void TForm_cop_info::showPage(QWidget* page) {
    if (!page || PageControl1->currentWidget() == page) return;
    exitNotifier->setSuspended(true);
    PageControl1->setCurrentWidget(page);
    exitNotifier->setSuspended(false);
}

void TForm_cop_info::focusControl(QWidget* control, QWidget* from) {
    if (!from) from = QApplication::focusWidget();
    QWidget* page = nullptr;
    for (QWidget* w = control; w; w = w->parentWidget())
        if (w == TabSheet1 || w == TabSheet2 || w == TabSheet3) page = w;
    exitNotifier->setSuspended(true);
    if (page && PageControl1->currentWidget() != page) PageControl1->setCurrentWidget(page);
    control->setFocus(Qt::OtherFocusReason);
    exitNotifier->setSuspended(false);
    // As if the operator had moved: the control left runs its exit rule, once.
    if (from && from != control && from->window() == this && from->isEnabled() &&
        QApplication::focusWidget() == control) {
        if (auto it = exitHandlers_.find(from); it != exitHandlers_.end()) {
            auto handler = *it;
            ui::guarded(this, [&] { (this->*handler)(); });
        }
    }
}

int TForm_cop_info::scratchCount(const QString& sql, const QVariantList& params) {
    ADOQuery1->runQuery(sql, params);
    const int n = ADOQuery1->recordCount() > 0 ? ADOQuery1->value(0).toInt() : 0;
    ADOQuery1->close();
    return n;
}

void TForm_cop_info::emptyField(ui::DBEdit* field) {
    if (!field->text().isEmpty()) field->setFieldText(QString());
}

bool TForm_cop_info::keyRule(QWidget* target, int key, Qt::KeyboardModifiers mods) {
    if (target == DBEdit_DWYB || target == Edit_BDQJFYS) {
        const bool character = key >= 0x20 && key < 0x01000000 &&
                               !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        if (character && !(key >= Qt::Key_0 && key <= Qt::Key_9)) {
            ui::dialogs().beep();
            return true;
        }
        return false;
    }
    return false;
}

void TForm_cop_info::Edit_BXDJZBMExit() {
    const QString number = Edit_BXDJZBM->text();
    if (copInfoMode != 1 || number.isEmpty()) return;
    if (scratchCount("select count(*) from M_corporation where ssn=?", {number}) > 0)
        ui::dialogs().message(this, "已经存在该社保登记证号码");
}

void TForm_cop_info::DBLookupComboBox_jfdqExit() {
    if (DBLookupComboBox_jfdq->text().isEmpty()) {
        // No fee area, no authority.
        Edit_SBDJJG->clear();
        DBLookupComboBox_ZFDQ->setValue(QString());
        return;
    }
    const QString code = ADOQuery_jfdq->recNo() >= 0 ? ADOQuery_jfdq->value(0).toString() : QString();
    ADOQuery1->runQuery("select * from d_regorg where code = ?", {code});
    Edit_SBDJJG->setText(ADOQuery1->recordCount() > 0 ? ADOQuery1->value(1).toString() : QString());
    ADOQuery1->close();
    DBLookupComboBox_ZFDQ->setValue(DBLookupComboBox_jfdq->text());
}

void TForm_cop_info::DBLookupComboBox_khyhExit() {
    if (!DBLookupComboBox_khyh->text().isEmpty()) Edit_KHYHDM->setText(DBLookupComboBox_khyh->code());
}

void TForm_cop_info::bankCodeExit(QLineEdit* codeField, ui::DBLookupComboBox* bank, store::Dataset* banks) {
    QString code = codeField->text().trimmed();
    codeField->setText(code);
    if (code.isEmpty()) return;
    // Codes shorter than six characters are kept with a trailing "&".
    if (code.size() < 6 && !code.endsWith(QLatin1Char('&'))) code += QLatin1Char('&');
    codeField->setText(code);
    bank->setValue(banks->lookup("CODE", code, "NAME").toString());
}

void TForm_cop_info::Edit_KHYHDMExit() {
    bankCodeExit(Edit_KHYHDM, DBLookupComboBox_khyh, ADOTable_KHYH);
}

void TForm_cop_info::DBLookupComboBox_ZFKHYHMCExit() {
    if (DBLookupComboBox_ZFKHYHMC->text().isEmpty())
        Edit_ZFKHYHDM->clear();
    else
        Edit_ZFKHYHDM->setText(DBLookupComboBox_ZFKHYHMC->code());
}

void TForm_cop_info::Edit_ZFKHYHDMExit() {
    bankCodeExit(Edit_ZFKHYHDM, DBLookupComboBox_ZFKHYHMC, ADOTable_ZFKHYH);
}

void TForm_cop_info::DBEdit_YHZHExit() {
    DBLookupComboBox_ZFKHYHMC->setValue(DBLookupComboBox_khyh->text());
    Edit_ZFKHYHDM->setText(Edit_KHYHDM->text());
    // Written only where it differs, so leaving the field again after a save
    // does not make the row look changed.
    const QString account = DBEdit_YHZH->text();
    const QString accountName = DBEdit_KHHM->text();
    if (DBEdit_ZFKHYHZH->text() != account) DBEdit_ZFKHYHZH->setFieldText(account);
    if (DBEdit_ZFKHYHHM->text() != accountName) DBEdit_ZFKHYHHM->setFieldText(accountName);
}

void TForm_cop_info::DBEdit_FRSFZExit() {
    checkIdCard(DBEdit_FRSFZ->text());
}

bool TForm_cop_info::checkIdCard(const QString& number) {
    const idcard::IdCardResult r = idcard::checkEmployerIdCard(number);
    if (r.failed()) {
        ui::dialogs().error(this, r.errorText);
        return false;
    }
    if (!r.message.isEmpty()) ui::dialogs().message(this, r.message);
    return r.ok;
}

void TForm_cop_info::DBEdit_EJDJZBMExit() {
    const QString t = DBEdit_EJDJZBM->text().trimmed();
    if (t.size() == 12) {
        ADOQuery1->runQuery("select ssn,name,orgcode from M_corporation where ssn = ?", {t});
        if (ADOQuery1->recordCount() == 0) {
            ADOQuery1->close();
            ui::dialogs().message(this, "不存在此社保登记证编码！");
            Edit_EJGSMC->clear();
            Edit_EJGSZZJGDM->clear();
        } else {
            Edit_EJGSMC->setText(ADOQuery1->value("name").toString());
            Edit_EJGSZZJGDM->setText(ADOQuery1->value("orgcode").toString());
            ADOQuery1->close();
        }
    } else if (!t.isEmpty()) {
        ui::dialogs().message(this, "请输入12位社保登记证编码");
    }
    const QString typed = DBEdit_EJDJZBM->text();
    if (!typed.isEmpty() && store::sameKey(typed, Edit_BXDJZBM->text())) {
        ui::dialogs().message(this, "二级公司社保登记证编码不应该与本公司的社保登记证编码相同");
        emptyField(DBEdit_EJDJZBM);
        Edit_EJGSMC->clear();
        Edit_EJGSZZJGDM->clear();
    }
}

void TForm_cop_info::ADOQuery_dwlxAfterScroll() {
    if (ADOQuery_dwlx->value(1).toString() != QStringLiteral("企业"))
        DBLookupComboBox_jjlx->setValue(QString());
}

void TForm_cop_info::ADOQuery_hyxzAfterScroll() {
    const QString nature = ADOQuery_hyxz->value(0).toString();
    ADOQuery_hydm->close();
    ADOQuery_hydm->setSql(
        QStringLiteral("select  *  from D_tradecode where mid(code,1,2) = ?") + " order by code", {nature});
    ADOQuery_hydm->open();
}

void TForm_cop_info::ADOQuery_JFXSAfterScroll() {
    if (ADOQuery_JFXS->value(0).toString() != QStringLiteral("2")) return;
    emptyField(DBEdit_EJDJZBM);
    Edit_EJGSMC->clear();
    Edit_EJGSZZJGDM->clear();
}

void TForm_cop_info::ADOQuery_lxxsbzAfterScroll() {
    const QString name = ADOQuery_lxxsbz->value(1).toString();
    if (name == QStringLiteral("不享受")) {
        setGreyed(DBLookupComboBox_lxjffs, true);
        DBLookupComboBox_lxjffs->setValue(QString());
    } else if (name == QStringLiteral("享受")) {
        setGreyed(DBLookupComboBox_lxjffs, false);
    }
}

void TForm_cop_info::ADOTable_JFZQAfterScroll() {
    if (ADOTable_JFZQ->value(1).toString() == QStringLiteral("不定期")) {
        setGreyed(Edit_BDQJFYS, false);
    } else {
        setGreyed(Edit_BDQJFYS, true);
        Edit_BDQJFYS->clear();
    }
}
