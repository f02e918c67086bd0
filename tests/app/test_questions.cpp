// Every Yes/No question of the program under a real window manager: Esc (as
// the X server delivers it) and the title bar's close button leave the
// question open, and the window behind it keeps what was typed; only the
// buttons answer. Offscreen a closed box would look the same as an answered
// one, so the questions run on a private X server with openbox.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/Backups.h"
#include "app/globals/Globals.h"
#include "employer/TForm_cop_info.h"
#include "employer/TForm_cop_query.h"
#include "person/TForm_Person_query.h"
#include "person/TForm_per_info.h"
#include "store/Backup.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "support/Desktop.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

constexpr unsigned kEscape = 0xff1b;  // XK_Escape

// Waits for the question, tries Esc and the window manager's close on it,
// notes what stayed, then presses the answer and OK on any message after it.
class QuestionProbe {
  public:
    QuestionProbe(const QString& answer, std::function<void()> whileOpen)
        : answer_(answer), whileOpen_(std::move(whileOpen)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { step(); });
        timer_.start(50);
    }

    QString question;
    bool openAfterEsc = false;
    bool openAfterClose = false;
    bool answered = false;
    QStringList after;  // texts of the messages that followed the answer

  private:
    void step() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || busy_) return;
        busy_ = true;
        QPointer<QMessageBox> b(box);
        if (answered) {
            // A message after the answer (a check's refusal, "数据备份完毕"): OK.
            after.append(b->text());
            if (b->buttons().size() == 1) b->buttons().first()->click();
            busy_ = false;
            return;
        }
        question = b->text();
        if (!QTest::qWaitForWindowActive(b)) ADD_FAILURE() << "the question never had the focus";
        pressKeyOnDisplay(kEscape);
        QTest::qWait(600);
        openAfterEsc = b && b->isVisible();
        if (b) closeByWindowManager(b);
        QTest::qWait(600);
        openAfterClose = b && b->isVisible();
        if (whileOpen_) whileOpen_();
        if (b)
            for (QAbstractButton* button : b->buttons())
                if (button->text() == answer_) {
                    answered = true;
                    button->click();
                    break;
                }
        busy_ = false;
    }

    QString answer_;
    std::function<void()> whileOpen_;
    QTimer timer_;
    bool busy_ = false;
};

void showActive(QWidget* w) {
    w->show();
    waitForFrame(w);
    QApplication::setActiveWindow(w);
    if (!QTest::qWaitForWindowActive(w)) ADD_FAILURE() << w->objectName().toStdString() << " never active";
}

// One question: how its window is prepared, what raises it, what must hold
// while it is open and after the answer.
struct QuestionCase {
    const char* what;
    const char* answer;
    std::function<void()> prepare;
    std::function<void()> raise;
    std::function<QString()> whileOpen;  // empty when all is well
    std::function<QString()> afterwards;
};

void run(const QuestionCase& c) {
    SCOPED_TRACE(c.what);
    c.prepare();
    QString problem;
    QuestionProbe probe(c.answer, [&] { problem = c.whileOpen(); });
    c.raise();
    QTRY_VERIFY_WITH_TIMEOUT(probe.answered, 10000);
    QTest::qWait(500);
    EXPECT_FALSE(probe.question.isEmpty());
    EXPECT_TRUE(probe.openAfterEsc) << "Esc answered " << probe.question.toStdString();
    EXPECT_TRUE(probe.openAfterClose) << "the close button answered " << probe.question.toStdString();
    EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
    // The messages after the answer are dismissed while the probe lives.
    QTRY_VERIFY_WITH_TIMEOUT(!qobject_cast<QMessageBox*>(QApplication::activeModalWidget()), 10000);
    const QString after = c.afterwards();
    EXPECT_TRUE(after.isEmpty()) << after.toStdString();
}

QString expectText(const QString& what, const QString& got, const QString& want) {
    return got == want ? QString() : QString("%1: “%2”, not “%3”").arg(what, got, want);
}

TEST(Questions, OnTheDesktop) {
    if (!onPrivateDesktop()) GTEST_SKIP() << "runs only as the child of Questions.UnderAWindowManager";
    WorkDir work;
    store::Connection db;
    db.open(work.database());
    db.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES ('110000000001', '甲单位')");
    db.execute("INSERT INTO M_CORPORATION (SSN, NAME) VALUES ('110000000002', '乙单位')");
    db.execute(
        "INSERT INTO M_PERSON (SSN, IDCARD, NAME) VALUES ('110000000001', '110105194912310011', '张三')");
    auto count = [&](const char* table) {
        return db.scalar(QString("SELECT count(*) FROM ") + table).toInt();
    };

    auto person = std::make_unique<TForm_per_info>();
    auto employer = std::make_unique<TForm_cop_info>();
    TForm_cop_query copQuery;
    TForm_Person_query personQuery;
    const QString typed = "Wang Wu";

    auto personTyping = [&] {
        person->ADOTable_PERSON->requery();
        person->ADOTable_DDYLJG->requery();
        person->ADOTable_PERSON->insert();
        person->ADOTable_DDYLJG->insert();
        person->ClearScreen();
        perInfoMode = 1;
        showActive(person.get());
        person->DBEdit_NAME->setFocus(Qt::OtherFocusReason);
        QTest::keyClicks(person->DBEdit_NAME, typed);
    };
    auto personKept = [&] {
        if (!person->isVisible()) return QString("the person window closed");
        return expectText("姓名", person->DBEdit_NAME->text(), typed);
    };
    auto employerTyping = [&] {
        if (copTablesActive == 0) employer->activeTables();
        employer->ADOTable_corporation->insert();
        employer->clearScreen();
        employer->Edit_BXDJZBM->setEnabled(true);
        showActive(employer.get());
        employer->DBEdit_DWMC->setFocus(Qt::OtherFocusReason);
        QTest::keyClicks(employer->DBEdit_DWMC, typed);
    };
    auto employerKept = [&] {
        if (!employer->isVisible()) return QString("the employer window closed");
        return expectText("缴费单位名称", employer->DBEdit_DWMC->text(), typed);
    };
    auto nothing = [] { return QString(); };
    const QString backups = store::backupDirectory();

    const QuestionCase cases[] = {
        {"person window, Esc (关闭)", "No", personTyping, [] { pressKeyOnDisplay(kEscape); }, personKept,
         [&] { return person->isVisible() ? QString("No did not close the window") : QString(); }},
        {"person window, the title bar's close", "No", personTyping,
         [&] { closeByWindowManager(person.get()); }, personKept,
         [&] { return person->isVisible() ? QString("No did not close the window") : QString(); }},
        {"person window, 新增", "No", personTyping, [&] { person->Button_Insert->click(); }, personKept,
         [&] { return expectText("姓名 after No", person->DBEdit_NAME->text(), QString()); }},
        {"employer window, Esc (关闭)", "No", employerTyping, [] { pressKeyOnDisplay(kEscape); },
         employerKept,
         [&] { return employer->isVisible() ? QString("No did not close the window") : QString(); }},
        {"employer window, 新增", "No", employerTyping, [&] { employer->Button_insert->click(); },
         employerKept,
         [&] {
             employer->hide();
             return expectText("缴费单位名称 after No", employer->DBEdit_DWMC->text(), QString());
         }},
        {"employer query, 删除", "No",
         [&] {
             showActive(&copQuery);
             copQuery.Edit_BXDJZBM->setText("110000000002");  // no persons: it may be deleted
             copQuery.Button_queryClick();
         },
         [&] { copQuery.Button_delete->click(); },
         [&] {
             return copQuery.ADOQuery_COP->recordCount() == 1 ? QString() : QString("the row left the list");
         },
         [&] {
             copQuery.hide();
             return count("M_CORPORATION") == 2 ? QString() : QString("the employer was deleted");
         }},
        {"person query, 删除", "No",
         [&] {
             showActive(&personQuery);
             personQuery.Button_QueryAllClick();
         },
         [&] { personQuery.Button_delete->click(); }, nothing,
         [&] {
             personQuery.hide();
             return count("M_PERSON") == 1 ? QString() : QString("the person was deleted");
         }},
        {"数据备份", "Yes", [] {}, [] { QTimer::singleShot(0, [] { app::backupNow(nullptr); }); },
         [] {
             for (QWidget* w : QApplication::topLevelWidgets())
                 if (qobject_cast<QFileDialog*>(w) && w->isVisible())
                     return QString("a folder chooser opened");
             return QString();
         },
         [&] {
             return QDir(backups).entryList({"*-manual.mdb"}).size() == 1
                        ? QString()
                        : QString("no backup in " + backups);
         }},
    };
    for (const QuestionCase& c : cases) run(c);

    // Esc in the person window's institution panel closes the panel only: no
    // question, the window and the typed name stay.
    {
        SCOPED_TRACE("Esc in the institution panel");
        personTyping();
        person->DBEdit_DDYLJG[0]->setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY(person->Panel_hos->isVisible());
        QuestionProbe probe("No", {});  // answers a question that must not come
        pressKeyOnDisplay(kEscape);
        QTest::qWait(800);
        EXPECT_TRUE(probe.question.isEmpty()) << probe.question.toStdString();
        EXPECT_FALSE(person->Panel_hos->isVisible());
        EXPECT_TRUE(personKept().isEmpty()) << personKept().toStdString();
        person->hide();
    }

    // 数据恢复: the question after choosing a backup; No leaves the dialog open with nothing chosen.
    app::TForm_restore restore;
    run({"数据恢复", "No",
         [&] {
             restore.FormShow();
             showActive(&restore);
         },
         [&] { restore.Button_restore->click(); },
         [&] { return restore.isVisible() ? QString() : QString("the restore dialog closed"); },
         [&] {
             if (!restore.isVisible()) return QString("No closed the restore dialog");
             return restore.chosenPath.isEmpty() ? QString() : QString("a backup was chosen");
         }});
}

TEST(Questions, UnderAWindowManager) {
    if (onPrivateDesktop()) GTEST_SKIP();
    PrivateDesktop desktop;
    if (desktop.missingPrograms()) GTEST_SKIP() << desktop.whyNot().toStdString();
    ASSERT_TRUE(desktop.whyNot().isEmpty()) << desktop.whyNot().toStdString();
    const auto child = desktop.run("Questions.OnTheDesktop");
    EXPECT_EQ(child.exitCode, 0) << child.out.toStdString();
    EXPECT_TRUE(child.out.contains("[  PASSED  ] 1 test")) << child.out.toStdString();
}

}  // namespace
