// What a screen reader hears: the names of the controls that have no label of
// their own, read through Qt's accessibility interface as assistive
// technology reads them.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QTableWidget>
#include <functional>
#include <memory>

#include "app/Backups.h"
#include "app/TForm1.h"
#include "employer/TForm_cop_query.h"
#include "exchange/TForm_import.h"
#include "person/TForm_Person_query.h"
#include "person/TForm_per_info.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

QString heard(QWidget* w) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(QAccessible::Name) : QString();
}

TEST(Accessibility, ControlsWithoutALabelOfTheirOwnAreNamed) {
    WorkDir work;
    RecordingDialogs dialogs;
    TForm_import exchange;
    TForm_cop_query employers;
    TForm_Person_query persons;
    TForm_per_info person;
    const struct {
        QWidget* window;
        const char* control;
        const char* name;
    } cases[] = {
        {&exchange, "Edit_fromfile", "数据来源文件名称"},
        {&exchange, "Edit_tofile", "数据本地文件名称"},
        {&exchange, "ProgressBar1", "单位信息导入进度"},
        {&exchange, "ProgressBar2", "个人信息导入进度"},
        {&exchange, "ProgressBar3", "定点医疗机构信息导入进度"},
        {&exchange, "Memo1", "导入导出日志"},
        {&employers, "DBGrid1", "单位信息查询结果"},
        {&persons, "DBGrid1", "人员信息查询结果"},
        {&person, "Edit_hosinput", "查找定点医疗机构"},
        {&person, "DBGrid1", "找到的定点医疗机构"},
    };
    for (const auto& c : cases) {
        auto* w = c.window->findChild<QWidget*>(c.control);
        ASSERT_TRUE(w) << c.control;
        EXPECT_EQ(heard(w), QString::fromUtf8(c.name)) << c.control;
    }

    // The backup list of 数据恢复, as the menu command shows it.
    ModalRecorder modal;
    QString backups;
    modal.script = [&](QWidget* w) {
        if (auto* list = w->findChild<QTableWidget*>("Grid_backups")) backups = heard(list);
        return 0;
    };
    TForm1 main;
    main.N24Click();
    EXPECT_EQ(backups, "备份列表");
}

// A required field tells a screen reader that it is required, and under its
// name without the visible mark.
TEST(Accessibility, RequiredFieldsSaySo) {
    WorkDir work;
    RecordingDialogs dialogs;
    TForm_per_info person;
    const struct {
        QWidget* field;
        const char* name;
        const char* description;
    } cases[] = {
        {person.DBEdit_NAME, "姓名", "必填"},
        {person.DBEdit_DDYLJG[0], "定点医疗机构1", "必填"},
        {person.DBEdit_LTXRQ, "离退休日期", "在一定条件下必填"},
        {person.DBEdit_CSD, "出生地", ""},
    };
    for (const auto& c : cases) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c.field);
        ASSERT_TRUE(a) << c.name;
        EXPECT_EQ(a->text(QAccessible::Name), QString::fromUtf8(c.name));
        EXPECT_EQ(a->text(QAccessible::Description), QString::fromUtf8(c.description)) << c.name;
    }
}

}  // namespace
