#include "store/ErrorText.h"

#include <sqlite3.h>
#include <QRegularExpression>

#include "store/Error.h"

namespace store {
namespace {

// The columns an operator knows by a name of their own.
QString columnLabel(const QString& column) {
    static const QList<QPair<QString, QString>> labels = {
        {"IDCARD", "身份证号码"},    {"SSN", "社保登记证号码"}, {"SUPERIORSSN", "二级公司社保登记证号码"},
        {"ORGCODE", "组织机构代码"}, {"USER_ID", "用户登录名"}, {"USER_NAME", "用户姓名"},
        {"PASSWORD", "登录密码"},    {"NAME", "名称"},
    };
    for (const auto& l : labels)
        if (l.first.compare(column, Qt::CaseInsensitive) == 0) return l.second;
    return column;
}

// Ours, or a trigger's RAISE text: written for the reader already.
bool ownWords(const Error& e) {
    return !e.fromEngine() || e.code() == SQLITE_CONSTRAINT_TRIGGER;
}

QString fileLine(const Error& e) {
    if (e.file().isEmpty()) return QString();
    return QString(e.fromServer() ? "数据库服务器：%1" : "文件：%1").arg(e.file());
}

// A refused key, empty value or malformed value: the same words whichever
// register refused it.
ErrorWords uniqueWords(const QString& column) {
    if (column.compare("IDCARD", Qt::CaseInsensitive) == 0)
        return {"已经存在该身份证号码", "同一个人只能登记一次，请核对身份证号码，没有保存"};
    if (column.compare("SSN", Qt::CaseInsensitive) == 0)
        return {"已经存在该社保登记证号码", "请核对社保登记证号码，没有保存"};
    if (column.compare("ORGCODE", Qt::CaseInsensitive) == 0)
        return {"已经存在该组织机构代码", "请核对组织机构代码，没有保存"};
    if (!column.isEmpty())
        return {QString("已经存在相同的“%1”").arg(columnLabel(column)), "请修改后再保存，没有保存"};
    return {"已经存在相同的记录", "请核对输入的内容，没有保存"};
}
ErrorWords notNullWords(const QString& column) {
    return {QString("“%1”不能为空").arg(columnLabel(column)), "请填写后再保存，没有保存"};
}
ErrorWords formatWords(const QString& column) {
    return {column.isEmpty() ? QString("有一项内容的长度或格式不符合要求")
                             : QString("“%1”的长度或格式不符合要求").arg(columnLabel(column)),
            "请核对该项内容后再保存，没有保存"};
}

// The register server's refusals and failures, by SQLSTATE (its class is
// the first two characters).
ErrorWords serverWords(const Error& e) {
    const QString state = e.sqlState();
    const QString cls = state.left(2);
    const QString column = e.serverColumn();
    if (state == "23505") return uniqueWords(column);
    if (state == "23502") return notNullWords(column);
    if (state == "23514" || cls == "22") return formatWords(column);
    if (cls == "23") return {"数据库拒绝了这次修改", "请核对输入的内容，没有保存"};
    if (state == "40001" || state == "40P01")
        return {"这次修改与另一个工作站同时进行的修改冲突", "请重试。这次操作没有完成，没有保存任何内容"};
    if (cls == "40") return {"这次修改因为前面的错误已经取消，没有保存", "请重试。这次操作没有完成"};
    if (state == "55P03")
        return {"要修改的记录正被另一个工作站使用，等待超时",
                "请稍候再试。这次操作没有完成，没有保存任何内容"};
    if (state == "57014") return {"操作被中止", "这次操作没有完成，没有保存任何内容，可以重试"};
    if (state == "08007")
        return {"提交修改时与数据库服务器的连接中断，无法确定这次修改是否已经保存",
                "请在服务器恢复后重新查询，核对这次的内容是否已经保存"};
    if (state == "08001")
        return {"无法连接数据库服务器",
                "请检查服务器是否在运行、网络是否通畅，以及 Veyra.ini 中 Register 设置的服务器地址。"
                "这次操作没有完成"};
    if (cls == "08" || cls == "57")
        return {"与数据库服务器的连接中断（服务器已关闭、正在重新启动，或连接被终止）",
                "这次操作没有完成，没有保存任何内容；请等服务器恢复后再试"};
    if (cls == "28")
        return {"数据库服务器拒绝了登录",
                "请检查本工作站的数据库用户名及其密码文件或服务文件。这次操作没有完成"};
    if (state == "42501")
        return {"数据库服务器不允许本工作站进行这项操作",
                "请让管理员检查本工作站的数据库角色的权限。这次操作没有完成"};
    if (state == "53100")
        return {"数据库服务器的磁盘空间已满，数据没有写入",
                "请让管理员清理服务器的磁盘后再试。这次操作没有完成"};
    if (state == "53300")
        return {"数据库服务器的连接数已满", "请稍候再试，或让管理员增加服务器允许的连接数。这次操作没有完成"};
    if (cls == "53") return {"数据库服务器的资源不足", "请稍候再试。这次操作没有完成"};
    return {"数据库操作失败", "请重试；如果一再出现，请把下面的信息告诉技术支持人员。这次操作没有完成"};
}

// A refusal of the value itself (a key, an empty or malformed value), not a
// failure of the file or the server.
bool isConstraint(const Error& e) {
    if (e.fromServer()) return e.sqlState().startsWith("23") || e.sqlState().startsWith("22");
    return e.primaryCode() == SQLITE_CONSTRAINT;
}

}  // namespace

QString constraintColumn(const Error& e) {
    if (e.fromServer()) return e.sqlState().startsWith("23") ? e.serverColumn() : QString();
    if (e.primaryCode() != SQLITE_CONSTRAINT) return {};
    const QString t = e.text();
    const int colon = t.indexOf(':');
    if (colon < 0) return {};
    const QString rest = t.mid(colon + 1).trimmed();
    // "UNIQUE constraint failed: M_PERSON.IDCARD", "NOT NULL constraint failed: T.C"
    static const QRegularExpression qualified("^[A-Za-z_][A-Za-z0-9_]*\\.([A-Za-z_][A-Za-z0-9_]*)");
    if (const auto m = qualified.match(rest); m.hasMatch()) return m.captured(1);
    // "CHECK constraint failed: SSN IS NULL OR (...)": the column the check is about
    static const QRegularExpression first("^([A-Za-z_][A-Za-z0-9_]*)");
    if (e.code() == SQLITE_CONSTRAINT_CHECK)
        if (const auto m = first.match(rest); m.hasMatch()) return m.captured(1);
    return {};
}

ErrorWords errorWords(const Error& e) {
    if (!e.fromEngine()) return {};
    if (e.fromServer()) return serverWords(e);
    switch (e.primaryCode()) {
        case SQLITE_CONSTRAINT: {
            const QString column = constraintColumn(e);
            switch (e.code()) {
                case SQLITE_CONSTRAINT_UNIQUE:
                case SQLITE_CONSTRAINT_PRIMARYKEY:
                    return uniqueWords(column);
                case SQLITE_CONSTRAINT_NOTNULL:
                    return notNullWords(column);
                case SQLITE_CONSTRAINT_CHECK:
                    return formatWords(column);
                default:
                    return {"数据库拒绝了这次修改", "请核对输入的内容，没有保存"};
            }
        }
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return {"数据库文件正被另一个程序使用（例如另一个Veyra、备份或复制程序），暂时不能读写",
                    "请稍候再试；如果一直如此，请关闭正在使用该文件的程序后再试。这次操作没有完成"};
        case SQLITE_READONLY:
            return {"数据库文件是只读的，不能写入",
                    "请检查该文件及其所在文件夹的写入权限（或磁盘是否写保护），改正后重新启动本程序。"
                    "这次操作没有完成"};
        case SQLITE_FULL:
            return {"磁盘空间已满，数据没有写入", "请清理磁盘（删除不需要的文件）后再试。这次操作没有完成"};
        case SQLITE_IOERR:
            return {"读写数据库文件时发生磁盘错误",
                    "请检查磁盘或存储设备（是否已拔出、是否已满或损坏）后再试；如果一再出现，请从备份恢复"
                    "数据库文件。这次操作没有完成"};
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
            return {"文件不是数据库文件，或者已经损坏",
                    "请检查打开的文件是否正确；如果它是本系统的数据库文件，请从备份恢复"};
        case SQLITE_CANTOPEN:
            return {"无法打开数据库文件", "请检查文件是否存在，以及所在文件夹能否读写"};
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return {"没有访问数据库文件的权限", "请检查该文件的访问权限"};
        case SQLITE_NOMEM:
            return {"内存不足", "请关闭其他程序后再试。这次操作没有完成"};
        case SQLITE_INTERRUPT:
            return {"操作被中止", "这次操作没有完成，可以重试"};
        default:
            return {"数据库操作失败",
                    "请重试；如果一再出现，请把下面的信息告诉技术支持人员。这次操作没有完成"};
    }
}

QString errorText(const std::exception& e) {
    const auto* se = dynamic_cast<const Error*>(&e);
    if (!se) return QString::fromLocal8Bit(e.what());
    if (ownWords(*se)) return se->text();
    const ErrorWords w = errorWords(*se);
    QStringList support{QString("数据库信息：%1").arg(se->text())};
    const bool aboutTheFile = !isConstraint(*se);
    if (aboutTheFile && !se->file().isEmpty()) support.prepend(fileLine(*se));
    return w.what + "。\r" + w.todo + "。\r\r" + support.join('\r');
}

QString errorLine(const std::exception& e) {
    const auto* se = dynamic_cast<const Error*>(&e);
    if (!se) return QString::fromLocal8Bit(e.what());
    if (ownWords(*se)) return QString(se->text()).replace('\r', ' ');
    const ErrorWords w = errorWords(*se);
    QString line = w.what + "。" + w.todo + "。（数据库信息：" + se->text();
    if (!isConstraint(*se) && !se->file().isEmpty()) line += "；" + fileLine(*se);
    return line + "）";
}

}  // namespace store
