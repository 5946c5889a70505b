// Limits of the data model. Every fixed table and buffer of the editor is
// sized from these; input beyond a limit is cut or refused.
#pragma once
#include <cstddef>
#include <cstdint>

inline constexpr int NCORE = 20;               // corefiles 0..19
inline constexpr int MSGCORE = 7;              // the engine's messages and listings
inline constexpr int PRESELCORE = 14;          // the preselection rule text made from a tree
inline constexpr int REPORTCORE = 15;          // the analysis report, what ASK sends a driver
inline constexpr int64_t TEXTSIZE = 4000000;   // characters in the text arena
inline constexpr int64_t HIADDR = 3999000;     // soft end: 1,000 characters of head-room
inline constexpr unsigned char FREECH = 255;   // a free character of the arena
inline constexpr int MAXCOLUMN = static_cast<int>(TEXTSIZE);  // no line is longer than the arena
inline constexpr int NAMESIZE = 49;            // file names: 48 characters and a zero
inline constexpr int NVIEWS = 8;               // view types 0..7
inline constexpr int NOBJECTS = 6;             // object codes 0..5 with an edit mask
inline constexpr int NEDITROWS = 107;          // key types with an edit-table row
inline constexpr int NKEYTYPES = 128;          // key types 0..127

// Start-up call buffers.
inline constexpr int CALLSIZE = 49;            // fcall, dcall
inline constexpr int PARFETCHSIZE = 52;        // "FE" + 48-character name + CR + zero
inline constexpr int VERSIONSIZE = 200;

// Input stream.
inline constexpr int NINTRAN = 624;            // planes 0..4 of the translation table
inline constexpr int NCHARMAP = 424;
inline constexpr int MAXNUMCODE = 239;         // highest numeric key code
inline constexpr int NFNKEYS = 10;             // function keys 0..9
inline constexpr int FNSIZE = 49;              // one function-key string
inline constexpr int NSTRINGS = 10;            // strings on the input stack
inline constexpr int NLOOPS = 20;              // loopstack and vl_result entries
inline constexpr int PATTSIZE = 200;
inline constexpr int NCAPTURES = 22;

// Display and protocol.
inline constexpr int GWMSGSIZE = 1000;         // one "$" message
inline constexpr int SHADOWSIZE = 200;         // command-line echo kept for redraws
inline constexpr int ERRMESGSIZE = 128;        // a message naming a file
inline constexpr int MAXOVERLAP = 70;          // columns a sideways shift keeps in view

// Text entry.
inline constexpr int DELBUFSIZE = 80;          // delete-buffer ring

// Command line and parameters.
inline constexpr int NCMDS = 82;
inline constexpr int NPARAMS = 25;
inline constexpr int PSTRINGSIZE = 60;
inline constexpr int MAXTYPED = 48;            // characters typed on a parameter line
inline constexpr int STRPARSIZE = 49;          // string parameters (curfile, scanpattern, ...)
inline constexpr int STRINGFILESIZE = 5120;    // procedure, template and merge files
inline constexpr int64_t WHOLEFILESIZE = 1 << 20;  // files up to this size are read at once

// Settings.
inline constexpr int NTABCOLS = 144;           // tab stops for columns 1..144
inline constexpr int NFIELDS = 100;            // record template fields
inline constexpr int NSORTTABLES = 3;          // sort collations chosen by SKEY

// Engine.
inline constexpr int IDENTSIZE = 40;           // identbuf: 39 characters and a zero
inline constexpr int TOKQSIZE = 45;            // tokens queued from one character
inline constexpr int READBUFSIZE = 65536;      // bytes of a description file read at once
inline constexpr int MAXINCLUDE = 5;           // files open at once, the top one included
inline constexpr int NFILESTACK = 6;
inline constexpr int INCNAMESIZE = 80;         // an included file's name: 79 characters
inline constexpr int MACRODEPTH = 20;          // macro expansions open at once
inline constexpr int MACRONAMESIZE = 50;       // namebuf: 49 characters
inline constexpr int MACRODEFSIZE = 1000;      // defbuf: 999 characters
inline constexpr int64_t MACROTEXTLIMIT = 1000000;  // macro text read from one file and its inclusions
inline constexpr int INCLUSIONLIMIT = 2000;     // files one load may include, all told
inline constexpr int64_t INCLUDEDTEXTLIMIT = 20000000;  // bytes of the files one load includes
inline constexpr int TOKSTRSIZE = 60;          // outbuf of tok2str
inline constexpr int FILEPOSSIZE = 40;         // file_position
inline constexpr int NATTRTYPES = 254;         // attribute types 1..253
inline constexpr int NATTRVALUES = 254;        // values 1..253 of one type
inline constexpr int ATTRNAMESIZE = 32;        // a type's name: 31 characters
inline constexpr int NDELAY = 5000;            // delay-table entries
inline constexpr int NATTRROWS = 20;           // rows of one decomposed compound attribute
inline constexpr int NVARIABLES = 26;          // attribute variables 1..25
inline constexpr int PRINTATTRSIZE = 1024;     // a printed compound attribute
inline constexpr int NVFILES = 15;             // rows of vfile_table
inline constexpr int NGENRANAMES = 59;         // genrafilename, '@' to 'z'
inline constexpr int BITTEXTSIZE = 60;         // bits_to_text
inline constexpr int RESPONSESIZE = 200;       // the learner's response: 199 characters
inline constexpr int SEMEXPRSIZE = 2000;       // semexpr: 1999 characters
inline constexpr int NERRFUNCS = 21;           // error_function 0..20
inline constexpr int NMORPHTREES = 22;         // morph_passes rows 0..21
inline constexpr int NMORPHPASSES = 6;         // entries of one row
inline constexpr int ENGLINESIZE = 2048;       // one formatted engine message line
inline constexpr size_t ECHOSIZE = 60;         // characters of an over-long input a message shows
// Response analysis.
inline constexpr int ERRWORDS = 100;           // response words and expected words compared
inline constexpr size_t REPORTSIZE = 30000;    // the report of one comparison

// Morphology.
inline constexpr int NMRULES = 500;            // ruleheader: rules 0..498 in use
inline constexpr int MAXMRULES = 499;          // rules read from one file
inline constexpr int MSTACKSIZE = 100;         // expression texts open at once
inline constexpr int MOUTSIZE = 120;           // moutput: 119 characters
inline constexpr int TABBUFSIZE = 100;         // tablebuffer: 99 characters
inline constexpr int MBUFSIZE = 1000;          // a guard, expression or element read: 999
inline constexpr int NGUARDDEPTH = 20;         // parentheses open in one guard
inline constexpr int MAXMPUSHES = 10000;       // texts pushed while one expression is evaluated
// Lexicon and tree nodes.
inline constexpr int NTERMINALS = 128;         // terminal_table
inline constexpr int DICTBUFSIZE = 1024;       // dictbuf: a record of 1023 characters
inline constexpr int RECORDBLOCK = 65536;      // first block of the loaded lexicon's entries
inline constexpr size_t HUGEPAGE = 2 << 20;    // a huge page of the system's memory
inline constexpr int64_t HUGESTOREMIN = 3 * HUGEPAGE / 4;  // a lexicon file given huge pages
inline constexpr int NATTRIBARRAY = 25;        // compound attributes of one entry
inline constexpr int ATTRIBSIZE = 40;          // one encoded compound attribute
inline constexpr int NLEXATT = 50;             // lexatt: compound attributes of a record
inline constexpr int NCANDIDATES = 25000;      // nodearray, prob_array
inline constexpr int NKEPTLISTS = 65536;       // candidate lists kept for later lookups
inline constexpr int NKEPTMIN = 65536;         // candidates kept beyond four per lexicon entry
inline constexpr int NDICTSLOTS = 1024;        // dict_table
inline constexpr int NRESTORED = 1024;         // restoredlexarray
inline constexpr int NLEXERRORS = 50;          // errors written per lexicon file
inline constexpr int MAXFREQ = 9999;           // a frequency's four digits
inline constexpr int NSEPARATORS = 6;          // separators of every record
inline constexpr int NROOTS = 21;              // rootPtrs
inline constexpr size_t SENTSIZE = 1024;       // sentbuf, sentbuf2: a sentence of 1023
inline constexpr int STOREDTREES = 23;         // trees of a recovered file: 0..20, 22 before transformation
// Syntax rules and their expansion.
inline constexpr int RULEBUFSIZE = 10000;      // rulebuf, second: one part of a rule
inline constexpr int CFBUFSIZE = 8192;         // cf_buf: a whole compiled rule, 8191 characters
inline constexpr int VARNAMESIZE = 32;         // one variable name: 31 characters
inline constexpr int NCHOICEDEPTH = 20;        // choice groups open at once: 19
inline constexpr int NUMESC = 31;              // field, element numbers and counts of a
                                               // compiled text: 1..30 one byte, larger ones
                                               // NUMESC and two digits, all bytes below ' '
inline constexpr int MAXNUMTEXT = NUMESC - 1 + NUMESC * NUMESC;  // 991, the largest so written
inline constexpr int MAXFIELDNUM = 255;        // a lexicon field number of a rule
inline constexpr int MAXCHOICES = 127;         // alternatives of one choice group
inline constexpr int MAXPRIORITY = 999;        // a transformation's priority
inline constexpr int NODELIMIT = 1024;         // nodes of one tree before expansion stops
inline constexpr int NGUARDREFS = 40;          // guard_array of a transformation: guards of
                                               // 38 elements
inline constexpr int TRANSNODELIMIT = 8 * NODELIMIT;  // nodes of one tree before
                                               // transformations stop being applied
inline constexpr int NSUBSTR = 50;             // pieces of one pointer clause
inline constexpr int POINTERSIZE = 100;        // chosen_pointer: 99 characters
inline constexpr int CATEGORYSIZE = 40;        // category: 39
inline constexpr int MANDATEDSIZE = 1024;      // a mandated word: 1023 characters
inline constexpr int RESTRSIZE = 1000;         // an inserted restriction string: 999
inline constexpr int MERGEDSIZE = 2000;        // a merged restriction string: 1999

// Registers and expressions; records and merge.
inline constexpr int NUMSTACKSIZE = 25;        // numstack and opstack
inline constexpr int FPRESULTSIZE = 20;        // the register as last shown
inline constexpr int MAXEXPONENT = 1000;       // digits of a typed exponent stop adding here
inline constexpr int NMRGFIELDS = 50;          // fields of the record a merge reads
// Lexical transformations.
inline constexpr int NLTRULES = 500;           // rule slots; rules 1..499
inline constexpr int LTFIELDSIZE = 1024;       // field 1 or 2 of a pattern: 1023 characters
inline constexpr int LTRESTSIZE = 27675;       // the fields after field 3 of a pattern
inline constexpr int LTPATTSIZE = 1024;        // a pattern's text up to field 3: 1023
inline constexpr int LTRHSSIZE = 4095;         // a right-hand side: 4094 characters
inline constexpr int LTRESULTSIZE = 1024;      // lt_result: 1023 characters
// Semantic expressions.
inline constexpr size_t SEMBUFSIZE = 2000;     // a name, prototype or built text: 1999 characters
inline constexpr int NSEMDEPTH = 20;           // re-analyses nested in one another
inline constexpr int NSEMREANALYSES = 1000;    // re-analyses made for one expression
inline constexpr size_t NSEMCLAUSES = 1000;    // clauses written for one expression
inline constexpr int LTMORPHSIZE = 100;        // "[" expression "]" in a template: 99
inline constexpr int NLTVARS = 200;            // variables of one rule (one byte each)
inline constexpr int NLTPIECES = 50;           // patterns of one rule

// The checker of description files (kel --check).
inline constexpr int CHECKMAXMSGS = 100;          // messages printed per file; the rest counted
inline constexpr long CHECKMAXBYTES = 32L << 20;  // a larger file is refused
inline constexpr long CHECKMAXLINE = 1L << 16;    // a longer line: no text file, refused
inline constexpr size_t CHECKGUESSBYTES = 1 << 16;  // bytes read to tell a file's kind
