#include "global_watch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/base/rtl_numbers.h"
#include "store/options.h"

namespace {

struct Watch {
    std::string name;
    GlobalWatcher watcher;
};

std::vector<Watch>& Watches()
{
    static std::vector<Watch> watches;
    return watches;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

void RegisterStoreSettings()
{
    RegisterGlobalAccessor("the decimal separator", &GetDecimalSeparator, &SetDecimalSeparator,
                           std::function<std::string(char)>([](char c) { return "'" + std::string(1, c) + "'"; }));
    // The settings objects: a test that opens them on its temporary program
    // folder closes them; left open, later tests would read and write files
    // of a folder that no longer exists.
    RegisterGlobalWatch("the settings objects (OptionsInitialize)", []() -> GlobalSnapshot {
        bool wasOpen = OptionsInitialized();
        std::filesystem::path folder = wasOpen ? ProgramFolder() : std::filesystem::path();
        return [wasOpen, folder]() -> std::string {
            bool open = OptionsInitialized();
            if (open == wasOpen && (!open || ProgramFolder() == folder)) return "";
            std::string text;
            if (!open) {
                text = "closed (was open on " + folder.string() + ")";
            } else {
                std::error_code error;
                text = "left open on " + ProgramFolder().string() +
                       (std::filesystem::exists(ProgramFolder(), error) ? "" : ", a folder that no longer exists");
                OptionsRelease();
            }
            if (wasOpen) {
                try {
                    OptionsInitialize(folder);
                } catch (const std::exception& e) {
                    text += "; reopening failed: " + std::string(e.what());
                }
            }
            return text;
        };
    });
    std::function<std::string(const std::string&)> text = Quoted;
    std::function<std::string(const bool&)> flag = [](const bool& b) { return std::string(b ? "true" : "false"); };
    std::function<std::string(const std::int32_t&)> number = [](const std::int32_t& n) { return std::to_string(n); };
    RegisterGlobalValue("OracleFilterName", OracleFilterName, text);
    const std::pair<const char*, std::string*> texts[] = {
        {"OptNiveauDeb", &OptNiveauDeb},           {"OptNiveauFin", &OptNiveauFin},
        {"OptNiveauType", &OptNiveauType},         {"OptTrouNuDeb", &OptTrouNuDeb},
        {"OptTrouNuFin", &OptTrouNuFin},           {"OptTrouNuDiam", &OptTrouNuDiam},
        {"OptTubageDeb", &OptTubageDeb},           {"OptTubageFin", &OptTubageFin},
        {"OptTubageDiam", &OptTubageDiam},         {"OptTubageType", &OptTubageType},
        {"OptTubageNature", &OptTubageNature},     {"OptAnnulaireDeb", &OptAnnulaireDeb},
        {"OptAnnulaireFin", &OptAnnulaireFin},     {"OptAnnulaireType", &OptAnnulaireType},
        {"OptAnnulaireNature", &OptAnnulaireNature}, {"OptAnnulaireNum", &OptAnnulaireNum},
        {"OptSymboleEau", &OptSymboleEau},         {"OptNomTubeSimple", &OptNomTubeSimple},
        {"OptEnteteMultitube", &OptEnteteMultitube}, {"OptLatitudeLongitude", &OptLatitudeLongitude},
    };
    for (const auto& [name, global] : texts) RegisterGlobalValue(name, *global, text);
    RegisterGlobalValue("OptTailleBandeau", OptTailleBandeau, number);
    RegisterGlobalValue("OptSolVisible", OptSolVisible, flag);
    RegisterGlobalValue("OptMenuBDD", OptMenuBDD, flag);
    RegisterGlobalValue("OptDesactiverLissage", OptDesactiverLissage, flag);
    RegisterGlobalValue("ColourTable", ColourTable);
    RegisterGlobalWatch("StratiScale", []() -> GlobalSnapshot {
        return [saved = StratiScale, loaded = StratiScaleLoaded]() -> std::string {
            auto same = [](const TStratiUnit& a, const TStratiUnit& b) {
                return a.StartValue == b.StartValue && a.EndValue == b.EndValue && a.UnitName == b.UnitName;
            };
            if (loaded == StratiScaleLoaded &&
                std::equal(saved.begin(), saved.end(), StratiScale.begin(), StratiScale.end(), same))
                return "";
            StratiScale = saved;
            StratiScaleLoaded = loaded;
            return "changed";
        };
    });
}

class GlobalWatchListener : public ::testing::EmptyTestEventListener {
public:
    void OnTestSuiteStart(const ::testing::TestSuite&) override { suite_ = Snapshot(); }
    void OnTestStart(const ::testing::TestInfo&) override { test_ = Snapshot(); }
    void OnTestEnd(const ::testing::TestInfo& info) override
    {
        Check(test_, std::string(info.test_suite_name()) + "." + info.name());
    }
    void OnTestSuiteEnd(const ::testing::TestSuite& suite) override
    {
        Check(suite_, std::string("the suite ") + suite.name() + " (SetUpTestSuite/TearDownTestSuite)");
    }

private:
    struct Taken {
        std::string name;
        GlobalSnapshot check;
    };

    static std::vector<Taken> Snapshot()
    {
        std::vector<Taken> taken;
        for (const Watch& watch : Watches()) taken.push_back({watch.name, watch.watcher()});
        return taken;
    }

    // Runs every check (each puts its setting back) before reporting, so the
    // failure message itself sees the program as it was.
    static void Check(std::vector<Taken>& taken, const std::string& who)
    {
        std::string report;
        for (Taken& t : taken) {
            std::string change = t.check();
            if (!change.empty()) report += "\n  " + t.name + ": " + change;
        }
        taken.clear();
        if (!report.empty())
            ADD_FAILURE() << who << " left process-wide settings changed (put back for the tests after it):"
                          << report;
    }

    std::vector<Taken> suite_;
    std::vector<Taken> test_;
};

}  // namespace

void RegisterGlobalWatch(std::string name, GlobalWatcher watcher)
{
    Watches().push_back({std::move(name), std::move(watcher)});
}

void InstallGlobalWatch()
{
    static bool storeRegistered = false;
    if (!storeRegistered) {
        storeRegistered = true;
        // First, so that the settings objects are reopened before the globals
        // they load are put back.
        std::vector<Watch> layers = std::move(Watches());
        Watches().clear();
        RegisterStoreSettings();
        for (Watch& w : layers) Watches().push_back(std::move(w));
    }
    ::testing::UnitTest::GetInstance()->listeners().Append(new GlobalWatchListener);
}
