// Fuzzes the text-template expander: any template, expanded for each ouvrage
// of a small collection, must give a result without crashing or hanging.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "store/blocks.h"
#include "store/divers.h"
#include "store/options.h"
#include "store/templates.h"

namespace {

TDirBlock* BuildCollection()
{
    auto* root = new TDirBlock("Carotix");
    root->SetPathString("12\\Ouvrage\\Désign", 0, btString, "P1");
    root->SetPathString("12\\Ouvrage\\Désign", 1, btString, "P2");
    root->SetPathFloat("12\\Ouvrage\\X", 0, btFloat, 600.5);
    root->SetPathFloat("12\\Ouvrage\\X", 1, btFloat, -0.5);
    root->SetPathInt("12\\Ouvrage\\Zone", 1, btInt, 9);
    root->SetPathFloat("12\\Ouvrage\\Y", 1, btFloat, MissingFloat);
    const char* litho[] = {"argile", "", "sable, graviers", "calcaire"};
    const char* type[] = {"COUPE", "FORAGE", "COUPE", ""};
    for (int r = 0; r < 4; ++r) {
        root->SetPathString("12\\Niveau\\Désign", r, btString, r < 3 ? "P1" : "P2");
        root->SetPathString("12\\Niveau\\Litho", r, btString, litho[r]);
        root->SetPathString("12\\Niveau\\Type", r, btString, type[r]);
        root->SetPathFloat("12\\Niveau\\Fin", r, btFloat, 1.5 * (r + 1));
    }
    root->SetPathString("12\\Dossier\\Nature", 0, btString, "FORAGE");
    root->SetPathString("12\\Dossier\\DateDossier", 0, btString, "20010512");
    root->SetPathString("12\\Tubage\\NomTube", 2, btString, "PMT1");
    root->SetPathString("UnitéXY", 0, btString, "km");
    return root;
}

void InitialiseOnce()
{
    static bool done = false;
    if (done) return;
    done = true;
    char pattern[] = "/tmp/carotix-fuzz-XXXXXX";
    if (const char* folder = mkdtemp(pattern)) {
        std::ofstream ini(std::filesystem::path(folder) / "edition.ini", std::ios::binary);
        ini << "[Dossier\\Nature]\r\nFORAGE=FORAGE=Forage d'eau\r\nPUITS\r\n"
               "[Niveau\\Type]\r\nCOUPE=COUPE=Coupe\r\n";
        ini.close();
        OptionsInitialize(folder);
        static std::string made = folder;
        std::atexit([] {
            OptionsRelease();
            std::error_code ec;
            std::filesystem::remove_all(made, ec);
        });
    }
    SetClock([] { return ClockReading{2026, 3, 9, 14, 35, 0}; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    InitialiseOnce();
    static const TDirBlock* root = BuildCollection();
    const std::string_view templ(reinterpret_cast<const char*>(data), size);
    for (const char* design : {"P1", "P2", ""}) {
        std::string result;
        ExpandFields(templ, *root, "12", result, "", design);
        ExpandFields(templ, *root, "absent", result, "PMT1", design);
    }
    return 0;
}
