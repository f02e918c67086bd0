#include <gtest/gtest.h>

#include "app/Startup.h"
#include "app/TForm1.h"
#include "app/globals/Globals.h"
#include "employer/TForm_cop_info.h"
#include "employer/TForm_cop_query.h"
#include "person/TForm_Person_query.h"
#include "person/TForm_per_info.h"
#include "store/Connection.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// persons persons, a tenth as many employers, one institution row each.
void fillRegister(const QString& database, int persons) {
    store::Connection c;
    c.open(database);
    store::Transaction t(c);
    const int employers = qMax(1, persons / 10);
    c.execute(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?1) "
        "INSERT INTO M_CORPORATION (SSN, NAME) SELECT printf('11%010d', i), '单位' || i FROM n",
        {employers});
    c.execute(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?1) "
        "INSERT INTO M_PERSON (CORPSN, IDCARD, NAME, SSN) "
        "SELECT i % ?2 + 1, printf('110101%012d', i), '人员' || i, printf('11%010d', i % ?2 + 1) FROM n",
        {persons, employers});
    c.execute(
        "INSERT INTO M_PSNAPPOINTEDHOSPITAL (PSNSN, IDCARD, HOSP_1) SELECT PSNSN, IDCARD, '01010001' "
        "FROM M_PERSON");
    t.commit();
}

struct Work {
    qint64 rows = 0, steps = 0;
};

// The engine's work for start to the login window, 人员增加, and opening the
// middle person and employer of the lists.
QList<Work> commandsOver(int persons) {
    WorkDir w;
    fillRegister(w.database(), persons);
    RecordingDialogs dialogs;
    ModalRecorder modal;
    QList<Work> work;
    EngineWork engine;
    auto take = [&] {
        work.append({engine.rows, engine.steps});
        engine.clear();
    };
    EXPECT_TRUE(app::prepareWorkingDatabase());
    app::createWindows();
    take();

    Form1->N6Click();
    EXPECT_EQ(Form_per_info->ADOTable_PERSON->state(), store::Dataset::State::Insert);
    take();

    Form_Person_query->Button_QueryAllClick();
    Form_Person_query->ADOQuery_PERSON->moveTo(persons / 2);
    const QString idcard = Form_Person_query->ADOQuery_PERSON->value("公民身份号码").toString();
    engine.clear();
    Form_Person_query->DBGrid1DblClick();
    EXPECT_EQ(Form_per_info->ADOTable_PERSON->state(), store::Dataset::State::Edit);
    EXPECT_EQ(Form_per_info->ADOTable_PERSON->value("IDCARD").toString(), idcard);
    EXPECT_EQ(Form_per_info->ADOTable_DDYLJG->value("IDCARD").toString(), idcard);
    take();

    Form_cop_query->Button1Click();
    Form_cop_query->ADOQuery_COP->moveTo(Form_cop_query->ADOQuery_COP->recordCount() / 2);
    const QString ssn = Form_cop_query->ADOQuery_COP->value("社保登记证编码").toString();
    engine.clear();
    Form_cop_query->DBGrid1DblClick();
    EXPECT_EQ(Form_cop_info->ADOTable_corporation->state(), store::Dataset::State::Edit);
    EXPECT_EQ(Form_cop_info->ADOTable_corporation->value("SSN").toString(), ssn);
    take();

    EXPECT_EQ(modal.windows.size(), 3);
    EXPECT_TRUE(dialogs.shown.isEmpty());
    app::destroyWindows();
    return work;
}

TEST(RegisterSize, StartAddPersonAndOpeningRowsReadTheSameHoweverLargeTheRegister) {
    const char* commands[] = {"start to the login window", "人员增加", "opening a listed person",
                              "opening a listed employer"};
    const QList<Work> small = commandsOver(20);
    const QList<Work> large = commandsOver(4000);
    ASSERT_EQ(small.size(), 4);
    ASSERT_EQ(large.size(), 4);
    for (int i = 0; i < 4; ++i) {
        // Reading every row id of 4,000 persons would hand out thousands of rows and steps more.
        EXPECT_EQ(large[i].rows, small[i].rows) << commands[i];
        EXPECT_LE(large[i].steps, small[i].steps + 50)
            << commands[i] << ": " << small[i].steps << " steps at 20 persons";
    }
}

}  // namespace
