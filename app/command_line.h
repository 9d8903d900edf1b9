#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>

namespace vornel {

// What the command line asks of the program.
struct CommandLine {
    enum class Action {
        Run,         // the resident program
        ListWindows, // --windows
        ListPorts,   // --ports
        Help,        // --help, -h
        Version,     // --version
        Check,       // --check FILE
        Refuse,      // an argument the program does not know: fault says which
    };
    Action action = Action::Run;
    // --desktop NAME, one of desktopNames(); empty: $VORNEL_DESKTOP, else the
    // session's own.
    std::string desktop;
    // --check FILE: the settings file to judge.
    QString file;
    // For Refuse: what is wrong, in French, naming the argument at fault.
    QString fault;
};

// Reads the arguments, the program's name first. Only reads: nothing is
// started, opened or asked of a running instance.
CommandLine readCommandLine(const QStringList& arguments);
CommandLine readCommandLine(int argc, char** argv);

// The help, one line per option from the options' own definitions; its first
// line is the usage line.
QString helpText();

// Carries out what the command line asks when it is not to run the program:
// prints the help, the version, the refusal, the ports or the windows, and
// returns the exit status (2 for a refusal). nullopt for Run.
std::optional<int> answerCommandLine(const CommandLine& line, int argc, char** argv);

} // namespace vornel
