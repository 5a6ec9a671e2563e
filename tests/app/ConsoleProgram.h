#pragma once

// The program run from the command line: a real process of the built
// program, with no display variable at all, a settings file of its own and
// the real archiver.
#include "app/MainSettings.h"
#include "platform/SettingsFile.h"
#include "tests/support/TestSupport.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace testsupport {

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

inline bool holdsLine(const std::string& text, const std::string& wanted)
{
    const auto lines = linesOf(text);
    return std::find(lines.begin(), lines.end(), wanted) != lines.end();
}

inline bool holds(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class ConsoleProgram : public ::testing::Test {
protected:
    // One copy of the program, with the archiver beside it, for the whole
    // suite: the program keeps its job files and lock in its own folder,
    // which is then this test's alone.
    static void SetUpTestSuite()
    {
        s_programFolder = std::make_unique<TempDir>("", "quorvel-console-");
        std::filesystem::copy_file(std::string(std::getenv("QUORVEL_TEST_BIN")) + "/Vimblor", program());
        linkArchiver(s_programFolder->path());
    }
    static void TearDownTestSuite() { s_programFolder.reset(); }
    static std::string program() { return *s_programFolder / "Vimblor"; }
    static std::string programFolder() { return s_programFolder->path(); }

    ConsoleProgram()
    {
        makeDirs(source);
        makeDirs(target);
        makeDirs(restored);
    }

    void saveSettings(const std::string& backupTarget, const std::string& restoreTarget)
    {
        saveSources({ source }, backupTarget, restoreTarget);
    }
    void saveSources(const std::vector<std::string>& sources, const std::string& backupTarget,
        const std::string& restoreTarget)
    {
        platform::SettingsFile store(m_home / "config/Quorvel Backup/settings.ini");
        saveMainSettings(store, { sources, backupTarget, restoreTarget });
    }

    // Starts the program with the arguments, in an environment that has no
    // display of any kind, with `extra` variables such as a regional
    // setting or a time zone.
    void start(QProcess& process, const QStringList& arguments,
        const std::map<std::string, std::string>& extra = {}) const
    {
        QProcessEnvironment env;
        env.insert("HOME", QString::fromStdString(m_home.path()));
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(m_home / "config"));
        env.insert("XDG_STATE_HOME", QString::fromStdString(m_home / "state"));
        env.insert("PATH", "/usr/bin:/bin");
        // The sanitizers' settings too: the leak checker is told there of the
        // piece of the locale search path that the C library never frees.
        for (const char* name : { "LOCPATH", "ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS" }) {
            if (const char* value = std::getenv(name))
                env.insert(QString::fromLatin1(name), QString::fromLocal8Bit(value));
        }
        for (const auto& [name, value] : extra)
            env.insert(QString::fromStdString(name), QString::fromStdString(value));
        process.setProcessEnvironment(env);
        process.start(QString::fromStdString(program()), arguments);
        ASSERT_TRUE(process.waitForStarted());
    }

    ProgramRun finish(QProcess& process) const
    {
        EXPECT_TRUE(process.waitForFinished(120000));
        ProgramRun run;
        run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = process.readAllStandardOutput().toStdString();
        run.err = process.readAllStandardError().toStdString();
        return run;
    }

    ProgramRun runProgram(
        const QStringList& arguments, const std::map<std::string, std::string>& extra = {}) const
    {
        QProcess process;
        start(process, arguments, extra);
        return finish(process);
    }

    inline static std::unique_ptr<TempDir> s_programFolder;
    TempDir m_home;
    TempDir m_data;
    const std::string source = m_data / "source";
    const std::string target = m_data / "target";
    const std::string restored = m_data / "restored";
};

} // namespace testsupport
