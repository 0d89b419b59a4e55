// Times programs from process start to their first visible top-level window:
//   bench_start PAIRS A.exe B.exe
// Starts A and B in turn (A first in even pairs, B first in odd ones, so that neither always
// profits from a warm cache), ends each once its window shows, and prints every time and the
// medians in milliseconds and their ratio B/A.
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

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
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
    const double a = Median(times[0]);
    const double b = Median(times[1]);
    std::wprintf(L"median %ls: %.1f ms\nmedian %ls: %.1f ms\nratio: %.2f\n", argv[2], a, argv[3], b, b / a);
    return 0;
}
