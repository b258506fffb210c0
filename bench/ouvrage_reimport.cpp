// Importing again one ouvrage of a borehole that holds many: a Dravel file of
// the first ouvrage (its Ouvrage row, 12 levels, 2 open-hole rows, 3 casings,
// 2 fills), read again into a borehole of 100, 1,000 and 3,000 such ouvrages.
// One run imports the file as it was, the other with a level more and a level
// less by turns, so that the ouvrage's rows change in number.
//
// Budget (release build): at 3,000 ouvrages one import takes at most three
// times its time at 100 (it took twelve times when the ouvrage's rows were
// deleted and inserted one by one among the borehole's). What remains of the
// borehole's size is one pass over each table's designations and, when the
// ouvrage's row count changes, the one move of the rows after it.
#include <benchmark/benchmark.h>

#include <string>

#include "exchange/dravel_import.h"
#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "store/blocks.h"

namespace {

const char* const kEdition =
    "[Ouvrage]\nD\xC3\xA9sign=D\xC3\xA9sign:U10\nNature=Nature:U12\nX=X:R14\nY=Y:R14\nZ=Z:F8\nProf=Prof:F8\n"
    "[Dossier]\nCommune=Commune:U40\nDep=Dep:I3\n"
    "[Niveau]\nD\xC3\xA9sign=D\xC3\xA9sign:U10\nDe=Deb:F8\nA=Fin:F8\nLitho=Litho:S80\nType=Type:U8\n"
    "[Trou-nu]\nD\xC3\xA9sign=D\xC3\xA9sign:U10\nDe=Deb:F8\nA=Fin:F8\nDiam=Diam:F6\n"
    "[Tubage]\nD\xC3\xA9sign=D\xC3\xA9sign:U10\nDe=Deb:F8\nA=Fin:F8\nDiam=Diam:F6\nNature=Nature:U12\n"
    "[Annulaire]\nD\xC3\xA9sign=D\xC3\xA9sign:U10\nDe=Deb:F8\nA=Fin:F8\nType=Type:I2\n";

const char* const kMapping =
    "[OUVRAGE]\nNATURE=Ouvrage\\Nature\nPROFONDEUR=Ouvrage\\Prof\n"
    "[LOCALISATION]\nX=Ouvrage\\X\nY=Ouvrage\\Y\nZ=Ouvrage\\Z\nCOMMUNE=Dossier\\Commune\nNUMDEP=Dossier\\Dep\n"
    "[Niveau*]\nDE=Niveau\\Deb\nA=Niveau\\Fin\nLITHOLOGIE=Niveau\\Litho\nTYPE=Niveau\\Type\n"
    "[Foration*]\nDE=Trou-nu\\Deb\nA=Trou-nu\\Fin\nDIAMETRE=Trou-nu\\Diam\n"
    "[Tubage*]\nDE=Tubage\\Deb\nA=Tubage\\Fin\nDIAMETRE=Tubage\\Diam\nNATURE=Tubage\\Nature\n"
    "[Annulaire*]\nDE=Annulaire\\Deb\nA=Annulaire\\Fin\nTYPE=Annulaire\\Type\n";

std::string Rows(const char* section, int count, const std::string& extra)
{
    std::string s;
    for (int r = 1; r <= count; ++r)
        s += "[" + std::string(section) + IntToStr(r) + "]\nDE=" + IntToStr(r - 1) + "\nA=" + IntToStr(r) + "\n" + extra;
    return s;
}

std::string OuvrageFile(int ouvrage, int levels)
{
    return "[OUVRAGE]\nINDICE=0123-4X-0056\nDESIGNATION=F" + IntToStr(ouvrage) + "\nNATURE=FORAGE\nPROFONDEUR=42\n"
           "[LOCALISATION]\nX=351000\nY=6789000\nZ=45\nCOMMUNE=RENNES\nNUMDEP=35\n"
           + Rows("Niveau", levels, "LITHOLOGIE=Argile sableuse grise à passées de graviers\nTYPE=COUPE\n")
           + Rows("Foration", 2, "DIAMETRE=311\n") + Rows("Tubage", 3, "DIAMETRE=168\nNATURE=PVC\n")
           + Rows("Annulaire", 2, "TYPE=1\n");
}

struct Setting {
    IniDocument mapping = IniDocument::Parse(kMapping);
    IniDocument edition = IniDocument::Parse(kEdition);
    void Import(TDirBlock& root, const IniDocument& file, DravelReport& report) const
    {
        ImportDravelDocument(file, mapping, edition, root, {}, report);
    }
};

void Reimport(benchmark::State& state, bool changeRows)
{
    const Setting setting;
    TDirBlock root("Carotix");
    DravelReport report;
    const int ouvrages = static_cast<int>(state.range(0));
    for (int o = 1; o <= ouvrages; ++o) setting.Import(root, IniDocument::Parse(OuvrageFile(o, 12)), report);
    const IniDocument files[] = {IniDocument::Parse(OuvrageFile(1, 12)), IniDocument::Parse(OuvrageFile(1, 13)),
                                 IniDocument::Parse(OuvrageFile(1, 11))};
    int turn = 0;
    for (auto _ : state) {
        const IniDocument& file = changeRows ? files[1 + turn % 2] : files[0];
        setting.Import(root, file, report);
        ++turn;
    }
    state.counters["levels"] = root.FindDir("0123-4X-0056\\Niveau")->RowCount();
}

void BM_ReimportSameRows(benchmark::State& state) { Reimport(state, false); }
void BM_ReimportOtherRowCount(benchmark::State& state) { Reimport(state, true); }

}  // namespace

BENCHMARK(BM_ReimportSameRows)->Arg(100)->Arg(1000)->Arg(3000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReimportOtherRowCount)->Arg(100)->Arg(1000)->Arg(3000)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
