// The check that every test puts back the process-wide settings it changes.
//
// The tests of one program share its globals (the decimal separator, the
// drawing settings loaded from carotix.ini, the installed prompts, ...): a
// test that leaves one changed makes later tests pass or fail by the order
// they run in, which a shuffled run shows and ctest (one test per process)
// hides. The listener installed by the test mains takes a snapshot of every
// watched setting when a test (and a test suite) starts and, when it ends,
// fails the test for each one left changed, naming it, then puts it back so
// that the tests after it see the program as it was.
//
// A test that changes a setting restores it itself: a ScopedGlobal member
// (scoped_global.h), ScopedDecimalSeparator, ScopedUi, or an RAII guard.
//
// Each layer of the program registers its own settings through a
// GlobalWatchRegistration object in tests/support/watch/, linked into the test
// programs that link that layer.
#pragma once

#include <functional>
#include <string>
#include <utility>

// One watched setting: `snapshot` captures it and answers a function that,
// called later, answers "" when the setting is as captured, otherwise a short
// description of the change, and puts it back.
using GlobalSnapshot = std::function<std::string()>;
using GlobalWatcher = std::function<GlobalSnapshot()>;

void RegisterGlobalWatch(std::string name, GlobalWatcher watcher);

// Watches a global compared with ==, put back by assignment. `describe`
// turns a value into text for the failure (none: "changed").
template <class T>
void RegisterGlobalValue(std::string name, T& global, std::function<std::string(const T&)> describe = {})
{
    RegisterGlobalWatch(std::move(name), [&global, describe]() -> GlobalSnapshot {
        return [&global, describe, saved = T(global)]() -> std::string {
            if (global == saved) return "";
            std::string text = describe ? describe(saved) + " -> " + describe(global) : std::string("changed");
            global = saved;
            return text;
        };
    });
}

// Watches a setting reached through a getter and a setter.
template <class Get, class Set>
void RegisterGlobalAccessor(std::string name, Get get, Set set, std::function<std::string(decltype(get()))> describe = {})
{
    RegisterGlobalWatch(std::move(name), [get, set, describe]() -> GlobalSnapshot {
        return [get, set, describe, saved = get()]() -> std::string {
            auto now = get();
            if (now == saved) return "";
            std::string text = describe ? describe(saved) + " -> " + describe(now) : std::string("changed");
            set(saved);
            return text;
        };
    });
}

// Registers at static initialisation (one object per layer's watch file).
struct GlobalWatchRegistration {
    explicit GlobalWatchRegistration(void (*registerAll)()) { registerAll(); }
};

// Appends the listener to GoogleTest's listeners (after InitGoogleTest).
void InstallGlobalWatch();
