// Times programs from process start to their first visible top-level window:
//   bench_start ROUNDS FLOOR.exe A.exe [B.exe ...]
// Starts the programs in turn, ROUNDS times each, each round beginning with the next one
// (so that none always profits from a warm cache or suffers a cold one), ends each once its
// window shows, and prints every time, the medians in milliseconds with their quartiles, and
// for every two programs the ratio of their times within a round: its median, its quartiles
// and its range. The programs of a round run within a second or so of each other, so their
// ratio is little moved by what the rest of the machine does meanwhile.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Search
{
    DWORD processId;
    bool found;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM parameter)
{
    Search& search = *reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search.processId && IsWindowVisible(window))
    {
        search.found = true;
        return FALSE;
    }
    return TRUE;
}

double Now(const LARGE_INTEGER& frequency)
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Milliseconds until the program's window shows, or a negative number if it never does.
double TimeToWindow(const std::wstring& exe, const LARGE_INTEGER& frequency)
{
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    const double start = Now(frequency);
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return -1;
    double elapsed = -1;
    Search search = { process.dwProcessId, false };
    while (Now(frequency) - start < 60000)
    {
        EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
        if (search.found)
        {
            elapsed = Now(frequency) - start;
            break;
        }
        if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0)
            break;
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return elapsed;
}

// The value below which the given fraction of the values lie, interpolated between neighbours.
double Quantile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const double position = fraction * static_cast<double>(values.size() - 1);
    const size_t below = static_cast<size_t>(position);
    const size_t above = std::min(below + 1, values.size() - 1);
    return values[below] + (position - static_cast<double>(below)) * (values[above] - values[below]);
}

// The file name of a path, for the ratio lines.
const wchar_t* FileName(const wchar_t* path)
{
    const wchar_t* name = path;
    for (const wchar_t* c = path; *c != L'\0'; ++c)
    {
        if (*c == L'\\' || *c == L'/')
            name = c + 1;
    }
    return name;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4 || _wtoi(argv[1]) < 1)
    {
        std::fwprintf(stderr, L"usage: bench_start ROUNDS FLOOR.exe A.exe [B.exe ...]\n");
        return 2;
    }
    const int rounds = _wtoi(argv[1]);
    const int programs = argc - 2;
    wchar_t** const paths = argv + 2;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<std::vector<double>> times(static_cast<size_t>(programs));
    for (int round = 0; round < rounds; ++round)
    {
        std::vector<double> these(static_cast<size_t>(programs));
        for (int turn = 0; turn < programs; ++turn)
        {
            const int which = (round + turn) % programs;
            const double ms = TimeToWindow(paths[which], frequency);
            if (ms < 0)
            {
                std::fwprintf(stderr, L"bench_start: %ls showed no window\n", paths[which]);
                return 1;
            }
            these[static_cast<size_t>(which)] = ms;
        }
        std::wprintf(L"round %2d:", round + 1);
        for (int which = 0; which < programs; ++which)
        {
            times[static_cast<size_t>(which)].push_back(these[static_cast<size_t>(which)]);
            std::wprintf(L" %8.1f ms", these[static_cast<size_t>(which)]);
        }
        std::wprintf(L"\n");
    }
    for (int which = 0; which < programs; ++which)
    {
        const std::vector<double>& own = times[static_cast<size_t>(which)];
        std::wprintf(L"median %ls: %.1f ms (quartiles %.1f-%.1f)\n", paths[which], Quantile(own, 0.5),
                     Quantile(own, 0.25), Quantile(own, 0.75));
    }
    for (int below = 0; below < programs; ++below)
    {
        for (int above = below + 1; above < programs; ++above)
        {
            std::vector<double> ratios;
            for (int round = 0; round < rounds; ++round)
                ratios.push_back(times[static_cast<size_t>(above)][static_cast<size_t>(round)] /
                                 times[static_cast<size_t>(below)][static_cast<size_t>(round)]);
            std::wprintf(L"ratio %ls / %ls: %.2f (quartiles %.2f-%.2f, range %.2f-%.2f, %d rounds)\n",
                         FileName(paths[above]), FileName(paths[below]), Quantile(ratios, 0.5), Quantile(ratios, 0.25),
                         Quantile(ratios, 0.75), Quantile(ratios, 0), Quantile(ratios, 1), rounds);
        }
    }
    return 0;
}
