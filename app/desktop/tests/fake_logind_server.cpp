// logind for scripts: starts a system bus of its own, takes org.freedesktop.login1 on it and prints
// "address ADDRESS" once it is ready. Then reads commands from stdin, one a line:
//   sleep    PrepareForSleep(true)
//   resume   PrepareForSleep(false)
//   status   prints "locks N released M": delay locks handed out and how many were given back
// It ends at the end of its input, and the bus with it.
#include "app/desktop/tests/fake_logind.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <string>

#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    pellavane::testing::PrivateSystemBus bus;
    if (const QString error = bus.Start(); !error.isEmpty()) {
        std::fprintf(stderr, "fake_logind_server: %s\n", qPrintable(error));
        return 1;
    }
    pellavane::testing::FakeLogind logind(bus.Address());
    if (!logind.OwnsName()) {
        std::fprintf(stderr, "fake_logind_server: org.freedesktop.login1 is taken\n");
        return 1;
    }
    std::printf("address %s\n", qPrintable(bus.Address()));
    std::fflush(stdout);

    std::string pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        pending.append(buffer, static_cast<std::size_t>(got));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
            const std::string command = pending.substr(0, end);
            if (command == "sleep" || command == "resume") {
                logind.Emit(command == "sleep");
            } else if (command == "status") {
                std::size_t released = 0;
                for (std::size_t n = 0; n < logind.Locks(); ++n) {
                    released += logind.Released(n) ? 1 : 0;
                }
                std::printf("locks %zu released %zu\n", logind.Locks(), released);
            } else {
                std::fprintf(stderr, "fake_logind_server: unknown command '%s'\n", command.c_str());
            }
            std::fflush(stdout);
        }
    });
    return QCoreApplication::exec();
}
