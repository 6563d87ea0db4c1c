// The real texthash-cli.exe run as a child process with pipes for its
// standard input, output and error, as scripts meet it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

using Arguments = std::vector<std::wstring>;

struct CliRun {
    DWORD exitCode = ~0u;
    std::wstring out, err;  // decoded from UTF-8
};

// The command line that gives `arguments` back to wmain. No argument here holds
// a quote or ends in a backslash, so quotes around spaces suffice.
std::wstring CommandLine(const Arguments& arguments);

// Runs the program with `input` on its standard input, in the folder `folder`
// (null: this process's own).
CliRun RunCli(const Arguments& arguments, const std::string& input, const wchar_t* folder = nullptr);

// Makes `count` runs, `run(i)` the i-th, a few at a time, since starting a
// process under Wine is mostly waiting; the runs come back in order.
std::vector<CliRun> RunEach(size_t count, const std::function<CliRun(size_t)>& run);
