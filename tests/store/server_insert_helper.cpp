// A desk storing persons on a server register: it counts the ID number, as
// the person window does before a save, then inserts the row. Between two
// desks that both counted none, the register's unique key decides.
//
//   server_insert_helper ADDRESS
// Reads lines "B ID" (wait at the test's barrier between the count and the
// insert: advisory lock 4242, shared) or "N ID" (no wait) on standard input
// and answers each with one line: STORED, COUNTED, or REFUSED and the
// operator's message.
#include <QCoreApplication>
#include <cstdio>
#include <iostream>
#include <string>

#include "store/Error.h"
#include "store/ErrorText.h"
#include "store/ServerConnection.h"
#include "store/ServerRegister.h"

namespace {
void answer(const QString& text) {
    std::fputs(text.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) return 64;
    store::ServerConnection c;
    try {
        c.open(QString::fromLocal8Bit(argv[1]));
    } catch (const store::Error& e) {
        answer("FAILED " + store::errorLine(e));
        return 1;
    }
    answer("READY");
    const QString count =
        "SELECT count(*) FROM m_person WHERE " + store::serverKey("idcard") + " = " + store::serverKey("?");
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line.size() < 3) continue;
        const QString id = QString::fromUtf8(line.substr(2).c_str());
        try {
            if (c.scalar(count, {id}).toInt() > 0) {
                answer("COUNTED");
                continue;
            }
            if (line[0] == 'B') {
                c.scalar("SELECT pg_advisory_lock_shared(4242)");
                c.scalar("SELECT pg_advisory_unlock_shared(4242)");
            }
            c.execute("INSERT INTO m_person (idcard, name) VALUES (?, ?)", {id, QString("并发")});
            answer("STORED");
        } catch (const store::Error& e) {
            answer("REFUSED " + store::errorLine(e));
        }
    }
    return 0;
}
