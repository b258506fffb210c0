// Coding throughput of the coding library with the shipped rules and word
// lists, called through the program's binding as the coding pass calls it
// (the per-text cache is bypassed: every call runs the coder).
// Budget: 500,000 descriptions per second or more on one core (release build);
// items_per_second is the count of descriptions coded per second.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "coding/codage_binding.h"

namespace {

const std::vector<std::string>& Descriptions()
{
    static const std::vector<std::string> texts{
        "Terre végétale brune",
        "Remblais divers, briques et béton",
        "Limon brun argileux",
        "Argile sableuse grise à passées de graviers",
        "Sable fin à moyen, gris-beige",
        "Sable et graviers roulés, quelques galets",
        "Graviers sableux à galets calcaires",
        "Argile plastique verte",
        "Marne grise à passées calcaires",
        "Calcaire fissuré beige, karstique",
        "Craie blanche à silex",
        "Craie altérée, marneuse",
        "Alluvions sableuses et graveleuses",
        "Sable avec 20 % d'argile",
        "Argile à 35% de graviers",
        "Sable sans gravier ni galet",
        "Grès ferrugineux roux",
        "Granite arénisé",
        "Schiste altéré noirâtre",
        "Tourbe noire",
        "Eboulis calcaires anguleux dans une matrice argileuse",
        "Argile à silex rouge",
        "Sable glauconieux vert, coquillier",
        "Niveau d'argile grise",
        "Forage arrêté",
        "Limon 30 %, argile 70 %",
        "Mélange sable/argile (30/70)",
        "Poches de graviers dans une argile brune",
        "Blocs emballés dans une matrice argilo-sableuse",
        "Formation à dominante marneuse, bancs calcaires",
        "Recouvrement limoneux",
        "Calcaire dolomitique",
        "Sable; fin",
        "Argile non calcaire mais sableuse",
        "Sous enrobé : grave sableuse",
        "Arg. sableuse à qq graviers",
    };
    return texts;
}

std::unique_ptr<CodingLibrary>& Library()
{
    static std::unique_ptr<CodingLibrary> library = BindCodingLibrary(CAROTIX_PROGRAM_DIR);
    return library;
}

void BM_MakeCode(benchmark::State& state)
{
    CodingLibrary& library = *Library();
    if (!library.HasMakeCode()) {
        state.SkipWithError("Codage.so not found in the program folder");
        return;
    }
    const auto& texts = Descriptions();
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(library.MakeCode(texts[i]));
        if (++i == texts.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MakeCode);

void BM_Tokenize(benchmark::State& state)
{
    CodingLibrary& library = *Library();
    if (!library.HasTokenize()) {
        state.SkipWithError("Codage.so not found in the program folder");
        return;
    }
    const auto& texts = Descriptions();
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(library.Tokenize(texts[i]));
        if (++i == texts.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Tokenize);

// A long level description (about 10 kB), to see that the cost stays linear.
void BM_MakeCodeLong(benchmark::State& state)
{
    CodingLibrary& library = *Library();
    if (!library.HasMakeCode()) {
        state.SkipWithError("Codage.so not found in the program folder");
        return;
    }
    std::string text = "Argile sableuse grise";
    while (text.size() < 10240) text += ", sable fin gris à passées de graviers roulés";
    for (auto _ : state) benchmark::DoNotOptimize(library.MakeCode(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_MakeCodeLong);

}  // namespace

BENCHMARK_MAIN();
