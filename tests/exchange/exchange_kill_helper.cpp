// Runs an import and stops part-way, inside the transaction, until it is
// killed: exchange_kill_helper WORKING_DB SOURCE PERSON_ROW
#include <unistd.h>
#include <QCoreApplication>
#include <cstdio>

#include "exchange/SubmissionFile.h"
#include "exchange/Transfer.h"
#include "store/Connection.h"

namespace {
class StopAt : public exchange::TransferObserver {
  public:
    explicit StopAt(int row) : row_(row) {}
    void tableStarted(exchange::Register, int) override {}
    void rowReached(exchange::Register t, int row) override {
        if (t != exchange::Register::Persons || row != row_) return;
        std::printf("PAUSED\n");
        std::fflush(stdout);
        for (;;) pause();
    }
    void tableFinished(exchange::Register, int) override {}
    void logLines(qsizetype) override {}

  private:
    int row_;
};
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4) return 2;
    try {
        store::Connection target;
        target.open(QString::fromLocal8Bit(argv[1]));
        exchange::SubmissionFile source;
        source.open(QString::fromLocal8Bit(argv[2]), exchange::registerShapes(target));
        StopAt observer(QString::fromLocal8Bit(argv[3]).toInt());
        exchange::Transfer transfer(source.handle(), target, observer);
        // A tiny cache makes the changed pages reach the file before the kill.
        transfer.setCacheKiB(8);
        return transfer.run() ? 0 : 1;
    } catch (const store::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 3;
    }
}
