// The program `ximora-batch`: one subcommand per line of the table.
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <cstring>

#include "batch/run_command.h"

namespace {

struct Subcommand {
    const char* name;
    int (*run)(const QStringList& args);
};

const Subcommand kSubcommands[] = {
    {"run", &ximora::batch::runCommand},
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("ximora"));
    const QStringList args = app.arguments();
    if (args.size() >= 2) {
        for (const Subcommand& sub : kSubcommands)
            if (args[1] == QLatin1StringView(sub.name)) return sub.run(args.mid(2));
    }
    std::fprintf(stderr, "usage: ximora-batch info|convert|run|thumbs ...\n");
    return 2;
}
