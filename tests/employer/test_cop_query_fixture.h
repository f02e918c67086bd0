#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QStringList>
#include <QTest>
#include <algorithm>
#include <memory>

#include "app/globals/Globals.h"
#include "employer/TForm_XGSBDJZH.h"
#include "employer/TForm_cop_query.h"
#include "reports/ReportOutput.h"
#include "reports/TForm_print1.h"
#include "store/Connection.h"
#include "store/Error.h"
#include "support/TestSupport.h"

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '[' << l.join(", ").toStdString() << ']';
}

// Print jobs kept in order; a job for one chosen registration number fails.
class FailingOutput : public reports::CapturingOutput {
  public:
    QString failFor;
    void print(const reports::LaidOutDocument& d) override {
        if (!failFor.isEmpty() && fieldText(d, "SSN") == failFor) throw store::Error("printer jammed");
        CapturingOutput::print(d);
    }
    static QString fieldText(const reports::LaidOutDocument& d, const QString& column) {
        for (const reports::LaidOutPage& p : d.pages)
            for (const reports::PlacedItem& i : p.items)
                if (i.kind == reports::ItemKind::Field && i.column == column) return i.text;
        return {};
    }
    // "<SSN> <title>" per job.
    QStringList printed() const {
        QStringList out;
        for (const Job& j : jobs) out << fieldText(j.document, "SSN") + " " + j.document.title;
        return out;
    }
};

// Four employers; the first has two persons.
class CopQueryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        db.open(work.database());
        addEmployer("110000000001", "北京机床厂");
        addEmployer("110000000002", "北京第二机床厂");
        addEmployer("110000000003", "上海纺织厂");
        addEmployer("ab0000000004", "天津港务局");
        addPerson("110101194001010011", "张三", "110000000001");
        addPerson("110101194001010022", "李四", "110000000001");
        w = std::make_unique<TForm_cop_query>();
        Form_cop_query = w.get();
    }
    void TearDown() override {
        Form_cop_query = nullptr;
        Form_XGSBDJZH = nullptr;
        Form_print1 = nullptr;
    }

    void addEmployer(const QString& ssn, const QString& name, const QString& superior = {}) {
        db.execute("INSERT INTO M_CORPORATION (SSN, NAME, SUPERIORSSN) VALUES (?,?,?)",
                   {ssn, name, superior.isEmpty() ? QVariant() : QVariant(superior)});
    }
    void addPerson(const QString& id, const QString& name, const QString& ssn) {
        db.execute("INSERT INTO M_PERSON (IDCARD, NAME, SSN) VALUES (?,?,?)", {id, name, ssn});
    }
    // Registration numbers in the list, in list order.
    QStringList listed() const {
        QStringList out;
        if (!w->ADOQuery_COP->isOpen()) return out;
        for (int r = 0; r < w->ADOQuery_COP->recordCount(); ++r)
            out << w->ADOQuery_COP->valueAt(r, 0).toString();
        return out;
    }
    // Seen through a connection of its own, so only what was committed counts.
    int countFromOutside(const QString& sql, const QVariantList& params = {}) {
        store::Connection other;
        other.open(work.database());
        return other.scalar(sql, params).toInt();
    }
    void selectRows(std::initializer_list<int> rows) {
        w->DBGrid1->clearSelection();
        for (int r : rows)
            w->DBGrid1->selectionModel()->select(w->DBGrid1->model()->index(r, 0),
                                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    void listAll() { w->Button1Click(); }

    testing_support::WorkDir work;
    testing_support::RecordingDialogs dialogs;
    testing_support::ModalRecorder modal;
    store::Connection db;
    std::unique_ptr<TForm_cop_query> w;
};
