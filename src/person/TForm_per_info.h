#pragma once

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "store/Connection.h"
#include "store/Query.h"
#include "store/Table.h"
#include "ui/DBEdit.h"
#include "ui/DBGrid.h"
#include "ui/DBLookupComboBox.h"

namespace ui {
class KeyPreview;
class ExitNotifier;
}  // namespace ui

// Person registration window: one row of M_PERSON and its row of
// M_PSNAPPOINTEDHOSPITAL. Plain attributes are typed into bound fields; coded
// ones are chosen in lookup lists and reach the row only when it is stored.
class TForm_per_info : public QDialog {
    Q_OBJECT
  public:
    explicit TForm_per_info(QWidget* parent = nullptr);

    // Empties every lookup choice and the five institution names.
    void ClearScreen();
    // Lookup codes, employer serial and registration number into the person row.
    void setFieldValues();
    // Loads a stored person (the caller then puts both rows into edit state).
    void getFieldValues(const QString& psnsn, const QString& ssn, const QString& corpName);

    // true when the person is rejected (message shown, focus moved).
    bool checkInput();
    // Person variant of the ID number check; true when rejected. Fills the
    // birth date and sex on the way.
    bool checkIdCard(const QString& number);

    void checkLxFeeMethod();
    void checkAdminDuty();

    void findHos(const QString& text);
    QString getHosName(const QString& code);
    bool checkRepeatHos() const;
    int hosSlot() const { return hosSlot_; }

    const QString& corpSRetFeeType() const { return corpSRetFeeType_; }

    // Handlers (public so the menu, the query window and tests can drive them).
    void FormShow();
    void Edit_SHBXDJZBMChange();
    void Button_InsertClick();
    void Button_SAVEClick();
    // F1: as "保存", after the institution grid (when it has the focus) gave up its row.
    void saveByF1();
    void Button_printClick();
    void Button_previewClick();
    void Button_closeClick();
    void DBEdit_GMSFZExit();
    void ADOQuery_JFRYLBAfterScroll();
    void DBLookupComboBox_JFRYLBExit();
    void DBEdit_DDYLJGEnter(int slot);
    void Edit_hosinputChange();
    void DBGrid1DblClick();
    void Button1Click();
    // Esc in the search panel: the panel closes without taking a row, and
    // the focus goes on to "离休医疗统筹缴费方式" as at the end of the chain.
    void closeHosPanel();
    // Key handlers; true when the key is swallowed.
    bool Edit_hosinputKeyDown(int key);
    // Shared by the postcode and the five slots: digits and Backspace only.
    bool DBEdit_JZDYZBMKeyPress(const QString& typed);

    store::Connection ADOConnection1;
    store::Table* ADOTable_PERSON;
    store::Table* ADOTable_DDYLJG;
    store::Query* ADOQuery_Corpinfo;
    store::Query* ADOQuery1;
    store::Query* ADOQuery_HOS;

    // Lists of the lookups.
    store::Query* ADOQuery_SEX;
    store::Query* ADOQuery_MZ;
    store::Query* ADOQuery_JFRYLB;
    store::Query* ADOQuery_YBCBRYLB;
    store::Query* ADOQuery_HYZK;
    store::Query* ADOQuery_HKXZ;
    store::Query* ADOQuery_WHCD;
    store::Query* ADOQuery_GRSF;
    store::Query* ADOQuery_XZZW;
    store::Query* ADOQuery_ZYJSZC;
    store::Query* ADOQuery_GRJSDJ;
    store::Query* ADOQuery_LTXRYLB;
    store::Query* ADOQuery_LXJFFS;
    store::Query* ADOQuery_GRCDJFFS;
    store::Query* ADOQuery_GRZHGLZT;  // never opened
    store::Query* ADOQuery_JFZQ;      // never opened
    store::Query* ADOQuery_none;      // the two lists without rows

    ui::LineEdit* Edit_SHBXDJZBM;
    QLineEdit* Edit_DWMC;

    ui::DBEdit* DBEdit_NAME;
    ui::DBEdit* DBEdit_GMSFZ;
    ui::DBEdit* DBEdit_CSRQ;
    ui::DBEdit* DBEdit_CSD;
    ui::DBEdit* DBEdit_CJGZRQ;
    ui::DBEdit* DBEdit_LTXRQ;
    ui::DBEdit* DBEdit_HKSZQXJX;
    ui::DBEdit* DBEdit_HKSZD;
    ui::DBEdit* DBEdit_XJZDDZ;
    ui::DBEdit* DBEdit_JZDYZBM;
    ui::DBEdit* DBEdit_CBRDH;
    ui::DBEdit* DBEdit_LXRXM;
    ui::DBEdit* DBEdit_LXRDH;
    ui::DBEdit* DBEdit_JKKH;
    ui::DBEdit* DBEdit_STJFNX;
    ui::DBEdit* DBEdit_DDYLJG[5];  // slot N is DBEdit_DDYLJG[N - 1]
    QLineEdit* Edit_HOSNAME[5];

    ui::DBLookupComboBox* DBLookupComboBox_SEX;
    ui::DBLookupComboBox* DBLookupComboBox_NATION;
    ui::DBLookupComboBox* DBLookupComboBox_JFRYLB;
    ui::DBLookupComboBox* DBLookupComboBox_YBCBRYLB;
    ui::DBLookupComboBox* DBLookupComboBox_HYZK;
    ui::DBLookupComboBox* DBLookupComboBox_HKXZ;
    ui::DBLookupComboBox* DBLookupComboBox_WHCD;
    ui::DBLookupComboBox* DBLookupComboBox_GRSF;
    ui::DBLookupComboBox* DBLookupComboBox_XZZW;
    ui::DBLookupComboBox* DBLookupComboBox_ZYJSZC;
    ui::DBLookupComboBox* DBLookupComboBox_GRJSDJ;
    ui::DBLookupComboBox* DBLookupComboBox_LTXRYLB;
    ui::DBLookupComboBox* DBLookupComboBox_LXJFFS;
    ui::DBLookupComboBox* DBLookupComboBox_GRZHGLZT;
    ui::DBLookupComboBox* DBLookupComboBox_GWYXSBS;
    ui::DBLookupComboBox* DBLookupComboBox_GWYJFFS;
    ui::DBLookupComboBox* DBLookupComboBox_GRCDJFFS;
    ui::DBLookupComboBox* DBLookupComboBox_JFZQ;

    QWidget* Panel_fields;  // the fields; they scroll where the screen is too small
    QLabel* Label_legend;   // what "*" and "△" before a label mean
    QWidget* Panel_buttons;
    QFrame* Panel_hos;
    QLineEdit* Edit_hosinput;
    QPushButton* Button1;
    ui::DBGrid* DBGrid1;

    QPushButton* Button_Insert;
    QPushButton* Button_SAVE;
    QPushButton* Button_print;
    QPushButton* Button_preview;
    QPushButton* Button_close;
    QMenu* PopupMenu1;

  protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildControls();
    // A designated institution slot (entering it opens the search panel) and the panel.
    ui::DBEdit* makeSlot(int slot, QWidget* parent);
    void buildHosPanel();
    void setTabOrderOfControls();
    void connectHandlers();
    void openLists();

    bool keyPressed(QWidget* target, int key, Qt::KeyboardModifiers mods);
    // Restricts a list: close, new SQL, open.
    static void restrictList(store::Query* list, const QString& sql);
    // A column of the employer the last lookup found; null when there is none.
    QVariant corpValue(const QString& field) const;
    // The employer's Belong as a whole number (store::Error when it is not one).
    int corpBelong() const;
    void setAdminDutyEnabled(bool on);
    // Loads a lookup's key from a stored code.
    void loadLookup(ui::DBLookupComboBox* box, const QString& column);
    // Bound fields write their pending text into the rows.
    void flushBoundFields();
    // Both rows in one transaction; on failure the rows are put back as they
    // were and the error is thrown on, except that another person's ID number
    // is refused with the message of its own (false then).
    bool storePerson();
    // Ask-and-save of "新增" and "关闭"; false when the window must stay as it is.
    bool saveIfModified();
    void takeHosRow();
    void printPerson(bool preview);

    ui::KeyPreview* keyPreview_;
    ui::ExitNotifier* exits_;
    QString corpSRetFeeType_;
    int hosSlot_ = 0;
    bool takingHosRow_ = false;
    QList<QWidget*> digitsOnly_;
};
