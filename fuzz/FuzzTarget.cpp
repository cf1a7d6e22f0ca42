#include "FuzzTarget.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace fuzz {

std::vector<Target> &targets()
{
    static std::vector<Target> all;
    return all;
}

bool registerTarget(const char *name, Function run)
{
    targets().push_back({name, run});
    return true;
}

void ensureApplication()
{
    if (QCoreApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "zirk-fuzz";
    static char *argv[] = {name, nullptr};
    // Never destroyed: the windows a target keeps for the whole run must not
    // outlive it (and the leak check at exit would take them for lost).
    static QApplication *application = new QApplication(argc, argv);
    Q_UNUSED(application);
}

void fail(const char *file, int line, const char *what)
{
    const std::string message = std::string(file) + ":" + std::to_string(line) + ": property broken: " + what;
#ifdef ZIRK_FUZZ_ENGINE
    std::fprintf(stderr, "%s\n", message.c_str());
    std::abort();
#else
    throw std::logic_error(message);
#endif
}

} // namespace fuzz
