#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <functional>

#include "store/Connection.h"
#include "store/Query.h"
#include "store/Table.h"
#include "ui/DBEdit.h"
#include "ui/DBLookupComboBox.h"
#include "ui/ExitNotifier.h"
#include "ui/KeyPreview.h"

class QFrame;

// Employer registration window: one row of M_CORPORATION, entered or
// corrected in place over three pages. Layout and screen/row copying live in
// TForm_cop_info.cpp, the field-to-field rules in TForm_cop_info_rules.cpp,
// the checks and the save, new and close flows in TForm_cop_info_checks.cpp.
class TForm_cop_info : public QDialog {
    Q_OBJECT
  public:
    // Opens the window's own connection to the working database; throws
    // store::Error when that fails (the program then ends before the login).
    explicit TForm_cop_info(QWidget* parent = nullptr);

    // Opens the code lists and the employer table, in the order the rules
    // expect (each list's first row fires its row-change rule).
    void activeTables();
    // Every lookup empty except the defaults of a new employer; plain fields empty.
    void clearScreen();
    // Screen to current row (the unbound controls).
    void setFieldValues();
    // Current row to screen.
    void getFieldValues();
    // Reopens the employer table on the employer with this number (letter case
    // ignored); throws store::Error when there is none, so no other employer
    // is opened by mistake.
    void locateRecordByBXDJZH(const QString& number);
    // True when a check failed (its message was shown and the focus moved).
    bool checkInput();
    // The legal representative's number: true when acceptable; shows the
    // check's message (or the standard error box) otherwise.
    bool checkIdCard(const QString& number);

    // Commands.
    void Button_saveClick();
    void Button_insertClick();
    void Button_CLOSEClick();
    void Button_printClick();
    void N1Click();
    void N2Click();
    void N3Click();
    void N4Click();

    // Exit handlers (run when the focus leaves the control for another one).
    void Edit_BXDJZBMExit();
    void DBLookupComboBox_jfdqExit();
    void DBLookupComboBox_khyhExit();
    void Edit_KHYHDMExit();
    void DBLookupComboBox_ZFKHYHMCExit();
    void Edit_ZFKHYHDMExit();
    void DBEdit_YHZHExit();
    void DBEdit_FRSFZExit();
    void DBEdit_EJDJZBMExit();

    // Row-change rules of the code lists.
    void ADOQuery_dwlxAfterScroll();
    void ADOQuery_hyxzAfterScroll();
    void ADOQuery_JFXSAfterScroll();
    void ADOQuery_lxxsbzAfterScroll();
    void ADOTable_JFZQAfterScroll();

    store::Connection ADOConnection1;
    store::Table* ADOTable_corporation;
    store::Query* ADOQuery1;  // scratch query for one-off counts and lookups

    // Code lists.
    store::Query* ADOQuery_jfdq;
    store::Query* ADOQuery_dwlx;
    store::Table* ADOTable_lsgx;
    store::Table* ADOTable_KHYH;
    store::Table* ADOTable_ZZLX;
    store::Query* ADOQuery_jjlx;
    store::Query* ADOQuery_dwlb;
    store::Table* ADOTable_ISZGC;
    store::Query* ADOQuery_hyxt;
    store::Query* ADOQuery_hyxz;
    store::Query* ADOQuery_hydm;
    store::Query* ADOQuery_ssxzq;
    store::Table* ADOTable_ZFDQ;
    store::Query* ADOQuery_jffs;
    store::Query* ADOQuery_JFXS;
    store::Table* ADOTable_JFZQ;
    store::Query* ADOQuery_lxxsbz;
    store::Query* ADOQuery_lxjffs;
    store::Table* ADOTable_ZFKHYH;

    QFrame* Panel1;  // above the pages
    QFrame* Panel2;  // buttons
    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    QWidget* TabSheet3;
    ui::LineEdit* Edit_BXDJZBM;
    ui::DBLookupComboBox* DBLookupComboBox_jfdq;

    // Page 1, keyboard order.
    ui::DBEdit* DBEdit_DWMC;
    ui::DBEdit* DBEdit_DWDH;
    ui::DBEdit* DBEdit_DWDZ;
    ui::DBEdit* DBEdit_DWYB;
    ui::DBLookupComboBox* DBLookupComboBox_ZZLX;
    ui::DBEdit* DBEdit9;
    ui::DBEdit* DBEdit_FZRQ;
    ui::DBEdit* DBEdit_ZZYXQX;
    ui::DBEdit* DBEdit_PZDW;
    ui::DBEdit* DBEdit_PZRQ;
    ui::DBEdit* DBEdit_PZWH;
    ui::DBEdit* DBEdit_FRXM;
    ui::DBEdit* DBEdit_FRSFZ;
    ui::DBEdit* DBEdit_FRDH;
    ui::DBEdit* DBEdit_ZGYXM;
    ui::DBEdit* DBEdit_ZGYBM;
    ui::DBEdit* DBEdit_ZGYDH;
    ui::DBLookupComboBox* DBLookupComboBox_dwlx;
    ui::DBLookupComboBox* DBLookupComboBox_lsgx;
    ui::DBEdit* DBEdit20;
    ui::DBLookupComboBox* DBLookupComboBox_khyh;
    ui::LineEdit* Edit_KHYHDM;
    ui::DBEdit* DBEdit_KHHM;
    ui::DBEdit* DBEdit_YHZH;
    QPushButton* Button1;  // page advance: to page 2

    // Page 2.
    ui::DBEdit* DBEdit_DWMC2;
    ui::DBEdit* DBEdit_ZZJGDM;
    ui::DBEdit* DBEdit_GSZCDZ;
    ui::DBEdit* DBEdit_DWJC;
    ui::DBLookupComboBox* DBLookupComboBox_jjlx;
    ui::DBLookupComboBox* DBLookupComboBox_dwlb;
    ui::DBEdit* DBEdit_DJZFZRQ;
    ui::DBLookupComboBox* DBLookupComboBox_ISZGC;
    ui::DBLookupComboBox* DBLookupComboBox_hyxt;
    ui::DBLookupComboBox* DBLookupComboBox_hyxz;
    ui::DBLookupComboBox* DBLookupComboBox_hydm;
    ui::DBEdit* DBEdit_EJDJZBM;
    ui::DBLookupComboBox* DBLookupComboBox_SSXZQ;
    ui::DBEdit* DBEdit_FAX;
    ui::DBEdit* DBEdit_URL;
    ui::DBEdit* DBEdit_EMAIL;
    QPushButton* Button2;  // page advance: to page 3
    QLineEdit* Edit_SBDJJG;
    QLineEdit* Edit_EJGSZZJGDM;
    QLineEdit* Edit_EJGSMC;

    // Page 3.
    ui::DBLookupComboBox* DBLookupComboBox_ZFDQ;
    ui::DBLookupComboBox* DBLookupComboBox_jffs;
    ui::DBLookupComboBox* DBLookupComboBox_JFXS;
    ui::DBLookupComboBox* DBLookupComboBox_JFZQ;
    ui::DBLookupComboBox* DBLookupComboBox_lxxsbz;
    ui::DBLookupComboBox* DBLookupComboBox_lxjffs;
    ui::DBLookupComboBox* DBLookupComboBox_ZFKHYHMC;
    ui::LineEdit* Edit_ZFKHYHDM;
    ui::DBEdit* DBEdit_ZFKHYHHM;
    ui::DBEdit* DBEdit_ZFKHYHZH;
    QPushButton* Button3;  // page advance: to "保存"
    ui::LineEdit* Edit_BDQJFYS;
    // Shown greyed and never filled.
    QComboBox* DBLookupComboBox15;
    QComboBox* DBLookupComboBox_GWYYLBZDWLB;
    QComboBox* DBLookupComboBox17;
    QComboBox* DBLookupComboBox_gwyxsbs;
    QComboBox* DBLookupComboBox16;
    QLineEdit* DBEdit_BZJZRQ;
    QComboBox* DBLookupComboBox_grzhglzt;

    // Bottom panel.
    QPushButton* Button_insert;
    QPushButton* Button_save;
    QPushButton* Button_print;
    QPushButton* Button_CLOSE;
    QLabel* Label_printNote;

    QMenu* PopupMenu1;
    ui::KeyPreview* keyPreview;
    ui::ExitNotifier* exitNotifier;

  protected:
    void showEvent(QShowEvent* e) override;
    // Closing by any means drops the pending change of the current row.
    void done(int r) override;

  private:
    void buildTop();
    void buildPage1();
    void buildPage2();
    void buildPage3();
    void buildBottom();
    // The panels, the pages and the window's size from its layouts.
    void layOut();
    void setKeyboardOrder();
    void connectRules();
    bool keyRule(QWidget* target, int key, Qt::KeyboardModifiers mods);
    void pageAdvance(QWidget* button);
    void onExit(QWidget* control, void (TForm_cop_info::*handler)());
    // Brings the control's page to the front and focuses it as the operator
    // would: only the exit handler of the control left runs, once.
    // from: the control being left (default: the focused one).
    void focusControl(QWidget* control, QWidget* from = nullptr);
    // Brings a page to the front without raising any exit handler.
    void showPage(QWidget* page);
    // Scratch query: the first column of the first row as a whole number.
    int scratchCount(const QString& sql, const QVariantList& params);
    // Bank chosen by its code (the "&" rule).
    void bankCodeExit(QLineEdit* codeField, ui::DBLookupComboBox* bank, store::Dataset* banks);
    // Empties a bound field without marking the row changed when it is empty already.
    static void emptyField(ui::DBEdit* field);
    // A check failed: message, page, focus.
    bool failCheck(const QString& message, QWidget* control);
    // The save flow; false when a check failed or the post was refused
    // (the database error is thrown to the caller's guard).
    bool saveRecord();
    void ensureEditing();
    void printWith(const std::function<void(const QString& filter)>& call);
    QString printFilter() const;
    // "不享受" and "享受" share code 1: the pair of stored columns tells them apart.
    QString retireFlagName(const QString& sretFlag, const QString& feeType) const;
    void setGreyed(QWidget* w, bool greyed);

    bool eventFilter(QObject* watched, QEvent* event) override;

    QHash<QWidget*, void (TForm_cop_info::*)()> exitHandlers_;
    // A page-advance control reached by Tab/Enter, acted on once the focus
    // change is complete.
    QWidget* pendingAdvance_ = nullptr;
};
