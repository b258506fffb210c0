/*
 * Codage: the coding library of Carotix.
 *
 * Turns free-text French lithological descriptions into lithology codes
 * following the rules and word lists kept beside the library (Descriptions.csv,
 * Noms.csv, Adjectifs.csv, Inhibiteurs.csv, Activateurs.csv). This header is
 * shared by the library and by the program that loads it at run time.
 *
 * The interface is plain C: every text is UTF-8 and NUL-terminated, every
 * result is owned by the library. The caller copies a result at once: it stays
 * valid only until the next call of the same entry point (or, for the lists,
 * until LoadData). The entry points are meant to be called from one thread.
 */
#ifndef CODAGE_H
#define CODAGE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(CODAGE_BUILDING_LIBRARY)
#define CODAGE_API __attribute__((visibility("default")))
#else
#define CODAGE_API
#endif

/* Kind of a token. */
enum {
    CODAGE_KIND_OTHER = 0,     /* any other word, number or sign */
    CODAGE_KIND_NOUN = 1,      /* a word of the noun list */
    CODAGE_KIND_ADJECTIVE = 2  /* a word of the adjective list */
};

/* Flags of a token. */
enum {
    CODAGE_FLAG_NUMBER = 1,     /* a number (its text as written, "12,5") */
    CODAGE_FLAG_PERCENT = 2,    /* the sign "%" */
    CODAGE_FLAG_INHIBITOR = 4,  /* a word of the inhibitor list */
    CODAGE_FLAG_ACTIVATOR = 8,  /* a word of the activator list */
    CODAGE_FLAG_SEPARATOR = 16  /* a sign that ends a clause: , ; . : ( ) / ! ? */
};

/* One word or sign of a tokenised text. */
typedef struct CodageToken {
    uint8_t Kind;       /* CODAGE_KIND_... */
    const char* Text;   /* normalised text: upper case, accents folded */
    int32_t Entry;      /* index of the noun or adjective in its list, -1 for other tokens */
    uint8_t Form;       /* which form of the entry: noun 0 singular, 1 plural;
                           adjective 0 masc. sg., 1 masc. pl., 2 fem. sg., 3 fem. pl. */
    uint8_t Flags;      /* CODAGE_FLAG_... */
    int32_t Group;      /* 1-based number of the group (a noun with its adjectives and
                           numbers, or adjectives that qualify no noun) the token
                           belongs to, 0 for none */
    uint8_t Active;     /* 1 when the token counts for coding (not inhibited) */
    uint8_t Reserved1;
    uint8_t Reserved2;
} CodageToken;

/* One noun: its two forms. */
typedef struct CodageNomEntry {
    const char* Singulier;
    const char* Pluriel;
} CodageNomEntry;

/* One adjective: its four forms. */
typedef struct CodageAdjEntry {
    const char* MascSg;
    const char* MascPl;
    const char* FemSg;
    const char* FemPl;
} CodageAdjEntry;

/* The lists live at a fixed address for as long as the library is loaded;
 * LoadData replaces their contents (Count and Items). */
typedef struct CodageListeNoms {
    int32_t Count;
    const CodageNomEntry* Items;
} CodageListeNoms;

typedef struct CodageListeAdjs {
    int32_t Count;
    const CodageAdjEntry* Items;
} CodageListeAdjs;

/* The code of a description, "" when no rule applies. *code receives a text
 * owned by the library, valid until the next call of MakeCode. */
CODAGE_API void MakeCode(const char* description, const char** code);

/* The tokens of a text in order. *tokens receives an array of *count tokens
 * owned by the library, valid until the next call of Tokenize. */
CODAGE_API void Tokenize(const char* text, const CodageToken** tokens, int32_t* count);

/* Reads the rules and word lists again from the library's folder. */
CODAGE_API void LoadData(void);

/* The noun and adjective lists of the coder. */
CODAGE_API const CodageListeNoms* AddrListeNoms(void);
CODAGE_API const CodageListeAdjs* AddrListeAdjs(void);

/* The entry points as the program binds them. */
typedef void (*CodageMakeCodeProc)(const char* description, const char** code);
typedef void (*CodageTokenizeProc)(const char* text, const CodageToken** tokens, int32_t* count);
typedef void (*CodageLoadDataProc)(void);
typedef const CodageListeNoms* (*CodageAddrListeNomsProc)(void);
typedef const CodageListeAdjs* (*CodageAddrListeAdjsProc)(void);

#ifdef __cplusplus
}
#endif

#endif /* CODAGE_H */
