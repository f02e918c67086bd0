#include "store/Format.h"

#include <sqlite3.h>
#include <QRegularExpression>

#include "store/Connection.h"
#include "store/Error.h"

namespace store {

namespace {

// Columns of format 2 that compare without regard to ASCII letter case.
struct KeyColumns {
    const char* table;
    QStringList columns;
};
const QList<KeyColumns>& keyColumns() {
    static const QList<KeyColumns> k = {
        {"M_CORPORATION", {"SSN", "ORGCODE", "SUPERIORSSN"}},
        {"M_PERSON", {"IDCARD", "SSN"}},
        {"M_PSNAPPOINTEDHOSPITAL", {"IDCARD"}},
    };
    return k;
}

const char* const kPendingPrefix = "pending_unique:";
const char* const kToldKey = "key_collisions_told";

QString quote(const QString& name) {
    return '"' + QString(name).replace('"', "\"\"") + '"';
}

QString meta(Connection& c, const QString& key) {
    return c.scalar("SELECT value FROM veyra_meta WHERE key = ?", {key}).toString();
}

void setMeta(Connection& c, const QString& key, const QString& value) {
    c.execute("INSERT OR REPLACE INTO veyra_meta (key, value) VALUES (?, ?)", {key, value});
}

bool tableExists(Connection& c, const QString& table) {
    return c.scalar("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE",
                    {table})
               .toInt() > 0;
}

// The table's CREATE text with COLLATE NOCASE after the declared type of each
// key column. Every column must be found once, as the program declared it.
QString withNoCaseKeys(const QString& table, QString sql, const QStringList& columns) {
    for (const QString& col : columns) {
        const QRegularExpression re(
            "([(,]\\s*)(" + col + ")(\\s+VARCHAR\\s*\\(\\s*\\d+\\s*\\))(?!\\s+COLLATE)",
            QRegularExpression::CaseInsensitiveOption);
        int found = 0;
        QRegularExpressionMatchIterator it = re.globalMatch(sql);
        QList<QRegularExpressionMatch> matches;
        while (it.hasNext()) matches.append(it.next());
        found = int(matches.size());
        if (found != 1)
            throw Error(QString("数据表 %1 的列 %2 不是本程序建立时的样子，无法升级").arg(table, col));
        const QRegularExpressionMatch& m = matches.first();
        sql.insert(m.capturedEnd(3), " COLLATE NOCASE");
    }
    return sql;
}

QString columnCollation(Connection& c, const QString& table, const QString& column) {
    const char* collation = nullptr;
    const int rc = sqlite3_table_column_metadata(c.handle(), "main", table.toUtf8().constData(),
                                                 column.toUtf8().constData(), nullptr, &collation, nullptr,
                                                 nullptr, nullptr);
    return rc == SQLITE_OK && collation ? QString::fromUtf8(collation) : QString();
}

// Spellings of a column that its own rule makes equal to another stored one.
QList<KeyCollision> collisionsOf(Connection& c, const QString& table, const QString& column, bool caseOnly) {
    const QString t = quote(table), col = quote(column);
    // GROUP BY and IN follow the column's rule, so these are the groups the
    // rule merges; caseOnly leaves out values stored twice in the same spelling.
    const QString having = caseOnly ? "count(DISTINCT " + col + " COLLATE BINARY) > 1" : "count(*) > 1";
    const QString sql = "SELECT " + col + " FROM " + t + " WHERE " + col + " IN (SELECT " + col + " FROM " +
                        t + " WHERE " + col + " IS NOT NULL GROUP BY " + col + " HAVING " + having +
                        ") ORDER BY " + col + ", rowid";
    QList<KeyCollision> out;
    for (const QVariantList& row : c.select(sql)) {
        const QString v = row.value(0).toString();
        if (out.isEmpty() || !sameKey(out.last().values.first(), v)) out.append({table, column, {}});
        out.last().values.append(v);
    }
    return out;
}

struct IndexDef {
    QString name;
    QString sql;
    bool unique = false;
    QStringList columns;
};

QList<IndexDef> indexesOf(Connection& c, const QString& table) {
    QList<IndexDef> out;
    const auto rows = c.select(
        "SELECT name, sql FROM sqlite_master WHERE type = 'index' AND tbl_name = ? COLLATE NOCASE AND sql IS "
        "NOT NULL "
        "ORDER BY rowid",
        {table});
    for (const QVariantList& r : rows) {
        IndexDef d{r[0].toString(), r[1].toString(), false, {}};
        for (const QVariantList& l : c.select("SELECT name, \"unique\" FROM pragma_index_list(?)", {table}))
            if (l[0].toString() == d.name) d.unique = l[1].toInt() != 0;
        for (const QVariantList& i :
             c.select("SELECT name FROM pragma_index_info(?) ORDER BY seqno", {d.name}))
            d.columns.append(i[0].toString());
        out.append(d);
    }
    return out;
}

// Creates an index as it was declared; a unique one that the key rule's
// collisions hold back stands in as a plain index and waits in veyra_meta.
void createIndex(Connection& c, const QString& table, const IndexDef& d) {
    if (d.unique && d.columns.size() == 1 && !collisionsOf(c, table, d.columns.first(), false).isEmpty()) {
        static const QRegularExpression unique("^\\s*CREATE\\s+UNIQUE\\s+INDEX",
                                               QRegularExpression::CaseInsensitiveOption);
        QString plain = d.sql;
        plain.replace(unique, "CREATE INDEX");
        c.executeScript(plain + ";");
        setMeta(c, kPendingPrefix + d.name, d.sql);
        return;
    }
    c.executeScript(d.sql + ";");
}

// Format 1 to 2: SQLite cannot change a column's collation in place, so each
// register table is built again with the same columns in the same order, the
// same rowids (serials and the institution rows' order) and the same
// AUTOINCREMENT counter, then its indexes; views are dropped and made again
// around it because they name the tables.
void upgradeFrom1(Connection& c) {
    struct Named {
        QString type, name, sql;
    };
    QList<Named> dependents;
    for (const QVariantList& r :
         c.select("SELECT type, name, sql FROM sqlite_master WHERE type IN ('view', 'trigger') "
                  "AND sql IS NOT NULL ORDER BY rowid"))
        dependents.append({r[0].toString(), r[1].toString(), r[2].toString()});
    for (const Named& d : dependents) c.executeScript("DROP " + d.type.toUpper() + " " + quote(d.name) + ";");
    const bool haveSequence = tableExists(c, "sqlite_sequence");

    for (const KeyColumns& k : keyColumns()) {
        const QString table = QString::fromLatin1(k.table);
        if (!tableExists(c, table)) continue;
        const QString created =
            c.scalar("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE",
                     {table})
                .toString();
        const QString newSql = withNoCaseKeys(table, created, k.columns);
        const QList<IndexDef> indexes = indexesOf(c, table);
        const QVariant sequence =
            haveSequence ? c.scalar("SELECT seq FROM sqlite_sequence WHERE name = ? COLLATE NOCASE", {table})
                         : QVariant();
        const qint64 rows = c.scalar("SELECT count(*) FROM " + quote(table)).toLongLong();
        QStringList cols;
        for (const QVariantList& r : c.select("SELECT name FROM pragma_table_info(?) ORDER BY cid", {table}))
            cols.append(quote(r[0].toString()));

        const QString old = table + "__format1";
        c.executeScript("ALTER TABLE " + quote(table) + " RENAME TO " + quote(old) + ";");
        c.executeScript(newSql + ";");
        c.execute("INSERT INTO " + quote(table) + " (rowid, " + cols.join(", ") + ") SELECT rowid, " +
                  cols.join(", ") + " FROM " + quote(old) + " ORDER BY rowid");
        c.executeScript("DROP TABLE " + quote(old) + ";");
        if (!sequence.isNull()) {
            // The counter never goes back: serials of deleted rows stay unused.
            if (c.execute("UPDATE sqlite_sequence SET seq = max(seq, ?) WHERE name = ?", {sequence, table}) ==
                0)
                c.execute("INSERT INTO sqlite_sequence (name, seq) VALUES (?, ?)", {table, sequence});
        }
        if (c.scalar("SELECT count(*) FROM " + quote(table)).toLongLong() != rows)
            throw Error(QString("升级数据表 %1 时行数不符").arg(table));
        for (const QString& col : k.columns)
            if (columnCollation(c, table, col).compare("NOCASE", Qt::CaseInsensitive) != 0)
                throw Error(QString("升级后数据表 %1 的列 %2 仍区分大小写").arg(table, col));
        for (const IndexDef& d : indexes) createIndex(c, table, d);
    }
    for (const Named& d : dependents) c.executeScript(d.sql + ";");
    setMeta(c, "format", "2");
}

// Applies every waiting unique key whose collisions are gone; returns the
// collisions of the others.
QList<KeyCollision> applyPendingKeys(Connection& c) {
    QList<KeyCollision> left;
    const auto pending =
        c.select("SELECT key, value FROM veyra_meta WHERE substr(key, 1, ?) = ? ORDER BY key",
                 {int(qstrlen(kPendingPrefix)), QString::fromLatin1(kPendingPrefix)});
    if (pending.isEmpty()) return left;
    for (const QVariantList& p : pending) {
        const QString key = p[0].toString();
        const QString name = key.mid(int(qstrlen(kPendingPrefix)));
        const QString table =
            c.scalar("SELECT tbl_name FROM sqlite_master WHERE type = 'index' AND name = ?", {name})
                .toString();
        const auto cols = c.select("SELECT name FROM pragma_index_info(?) ORDER BY seqno", {name});
        if (table.isEmpty() || cols.size() != 1) {
            // The stand-in index is gone; the rule is made again from its text.
            c.execute("DELETE FROM veyra_meta WHERE key = ?", {key});
            continue;
        }
        const QList<KeyCollision> found = collisionsOf(c, table, cols.first().value(0).toString(), false);
        if (!found.isEmpty()) {
            left += found;
            continue;
        }
        Transaction t(c);
        c.executeScript("DROP INDEX " + quote(name) + ";");
        c.executeScript(p[1].toString() + ";");
        c.execute("DELETE FROM veyra_meta WHERE key = ?", {key});
        t.commit();
    }
    if (left.isEmpty()) c.execute("DELETE FROM veyra_meta WHERE key = ?", {QString::fromLatin1(kToldKey)});
    return left;
}

}  // namespace

bool sameKey(const QString& a, const QString& b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        QChar x = a[i], y = b[i];
        if (x == y) continue;
        if (x.unicode() < 128 && y.unicode() < 128 &&
            QChar::toLower(x.unicode()) == QChar::toLower(y.unicode()))
            continue;
        return false;
    }
    return true;
}

int fileFormat(Connection& c) {
    const QString v = meta(c, "format");
    return v.isEmpty() ? 1 : v.toInt();
}

FormatReport bringToCurrentFormat(Connection& c) {
    FormatReport r;
    r.formatBefore = fileFormat(c);
    if (r.formatBefore > kCurrentFormat || r.formatBefore < 1)
        throw Error(newerFormatText(c.path(), meta(c, "format")));
    if (r.formatBefore < kCurrentFormat) {
        try {
            Transaction t(c);
            upgradeFrom1(c);
            t.commit();
        } catch (const Error& e) {
            throw Error(QString("无法把数据库文件“%1”升级到格式 %2，文件未作改动：%3")
                            .arg(c.path())
                            .arg(kCurrentFormat)
                            .arg(e.text()));
        }
        r.upgraded = true;
        if (tableExists(c, "M_CORPORATION"))
            r.otherCollisions = collisionsOf(c, "M_CORPORATION", "ORGCODE", true);
    }
    r.collisions = applyPendingKeys(c);
    r.collisionsTold = !r.collisions.isEmpty() && meta(c, kToldKey) == "1";
    return r;
}

void markCollisionsTold(Connection& c) {
    setMeta(c, kToldKey, "1");
}

namespace {
QString keyLabel(const KeyCollision& k) {
    if (k.column.compare("IDCARD", Qt::CaseInsensitive) == 0) return "公民身份号码";
    if (k.column.compare("ORGCODE", Qt::CaseInsensitive) == 0) return "组织机构代码";
    return k.table.compare("M_PERSON", Qt::CaseInsensitive) == 0 ? "人员的社保登记证号码" : "社保登记证号码";
}
}  // namespace

QStringList collisionReportLines(const FormatReport& r) {
    if (r.collisions.isEmpty() && r.otherCollisions.isEmpty()) return {};
    QStringList lines;
    lines << "社保登记证号码、公民身份号码和组织机构代码现在不区分字母大小写。"
          << "以下号码只有字母大小写不同，系统把它们看作同一个号码；所有记录都已保留：";
    for (const QList<KeyCollision>* list : {&r.collisions, &r.otherCollisions})
        for (const KeyCollision& k : *list) lines << keyLabel(k) + "：" + k.values.join("、");
    lines << QString();
    if (!r.collisions.isEmpty())
        lines << "请在“查询编辑”中修改或删除重复的单位或人员。全部改正后，号码不得重复的规则会自动恢复。";
    if (!r.otherCollisions.isEmpty())
        lines << "请在“查询编辑”中改正重复的组织机构代码，否则保存这些单位时会提示“已经存在该组织机构代码”。";
    return lines;
}

}  // namespace store
