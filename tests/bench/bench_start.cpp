// Times programs from process start to their first visible top-level window:
//   bench_start PAIRS A.exe B.exe
// Starts A and B in turn (A first in even pairs, B first in odd ones, so that neither always
// profits from a warm cache), ends each once its window shows, and prints every time, the
// medians in milliseconds with their quartiles, and the ratio B/A of each pair: its median,
// its quartiles and its range. The two of a pair run within a second of each other, so their
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

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4 || _wtoi(argv[1]) < 1)
    {
        std::fwprintf(stderr, L"usage: bench_start PAIRS A.exe B.exe\n");
        return 2;
    }
    const int pairs = _wtoi(argv[1]);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times[2];
    for (int pair = 0; pair < pairs; ++pair)
    {
        for (int turn = 0; turn < 2; ++turn)
        {
            const int which = (pair + turn) % 2;
            const double ms = TimeToWindow(argv[2 + which], frequency);
            if (ms < 0)
            {
                std::fwprintf(stderr, L"bench_start: %ls showed no window\n", argv[2 + which]);
                return 1;
            }
            times[which].push_back(ms);
        }
        std::wprintf(L"pair %2d: %8.1f ms %8.1f ms\n", pair + 1, times[0].back(), times[1].back());
    }
    std::vector<double> ratios;
    for (size_t i = 0; i < times[0].size(); ++i)
        ratios.push_back(times[1][i] / times[0][i]);
    for (int which = 0; which < 2; ++which)
        std::wprintf(L"median %ls: %.1f ms (quartiles %.1f-%.1f)\n", argv[2 + which], Quantile(times[which], 0.5),
                     Quantile(times[which], 0.25), Quantile(times[which], 0.75));
    std::wprintf(L"ratio: %.2f (quartiles %.2f-%.2f, range %.2f-%.2f, %d pairs)\n", Quantile(ratios, 0.5),
                 Quantile(ratios, 0.25), Quantile(ratios, 0.75), Quantile(ratios, 0), Quantile(ratios, 1), pairs);
    return 0;
}
