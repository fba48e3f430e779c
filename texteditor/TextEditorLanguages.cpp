// TextEditor: the seven built-in language definitions, their token patterns,
// and installing a definition in an editor.
#include "TextEditor.h"

#include <cstddef>

namespace {

using PaletteIndex = TextEditor::PaletteIndex;
using SyntaxDefinition = TextEditor::SyntaxDefinition;

// ==========================================================================
// Word lists (sets: the order is immaterial)
// ==========================================================================

// C++ keywords (92 words)
const char* const kCppKeywords[] = {
    "alignas", "alignof", "and", "and_eq", "asm", "atomic_cancel", "atomic_commit", "atomic_noexcept", "auto",
    "bitand", "bitor", "bool", "break", "case", "catch", "char", "char16_t", "char32_t", "class", "compl",
    "concept", "const", "constexpr", "const_cast", "continue", "decltype", "default", "delete", "do", "double",
    "dynamic_cast", "else", "enum", "explicit", "export", "extern", "false", "float", "for", "friend", "goto",
    "if", "import", "inline", "int", "long", "module", "mutable", "namespace", "new", "noexcept", "not",
    "not_eq", "nullptr", "operator", "or", "or_eq", "private", "protected", "public", "register",
    "reinterpret_cast", "requires", "return", "short", "signed", "sizeof", "static", "static_assert",
    "static_cast", "struct", "switch", "synchronized", "template", "this", "thread_local", "throw", "true",
    "try", "typedef", "typeid", "typename", "union", "unsigned", "using", "virtual", "void", "volatile",
    "wchar_t", "while", "xor", "xor_eq"
};

// C++ identifiers (61 words)
const char* const kCppIdentifiers[] = {
    "abort", "abs", "acos", "asin", "atan", "atexit", "atof", "atoi", "atol", "ceil", "clock", "cosh", "ctime",
    "div", "exit", "fabs", "floor", "fmod", "getchar", "getenv", "isalnum", "isalpha", "isdigit", "isgraph",
    "ispunct", "isspace", "isupper", "kbhit", "log10", "log2", "log", "memcmp", "modf", "pow", "printf",
    "sprintf", "snprintf", "putchar", "putenv", "puts", "rand", "remove", "rename", "sinh", "sqrt", "srand",
    "strcat", "strcmp", "strerror", "time", "tolower", "toupper", "std", "string", "vector", "map",
    "unordered_map", "set", "unordered_set", "min", "max"
};

// HLSL keywords (184 words)
const char* const kHlslKeywords[] = {
    "AppendStructuredBuffer", "asm", "asm_fragment", "BlendState", "bool", "break", "Buffer",
    "ByteAddressBuffer", "case", "cbuffer", "centroid", "class", "column_major", "compile", "compile_fragment",
    "CompileShader", "const", "continue", "ComputeShader", "ConsumeStructuredBuffer", "default",
    "DepthStencilState", "DepthStencilView", "discard", "do", "double", "DomainShader", "dword", "else",
    "export", "extern", "false", "float", "for", "fxgroup", "GeometryShader", "groupshared", "half",
    "Hullshader", "if", "in", "inline", "inout", "InputPatch", "int", "interface", "line", "lineadj", "linear",
    "LineStream", "matrix", "min16float", "min10float", "min16int", "min12int", "min16uint", "namespace",
    "nointerpolation", "noperspective", "NULL", "out", "OutputPatch", "packoffset", "pass", "pixelfragment",
    "PixelShader", "point", "PointStream", "precise", "RasterizerState", "RenderTargetView", "return",
    "register", "row_major", "RWBuffer", "RWByteAddressBuffer", "RWStructuredBuffer", "RWTexture1D",
    "RWTexture1DArray", "RWTexture2D", "RWTexture2DArray", "RWTexture3D", "sample", "sampler", "SamplerState",
    "SamplerComparisonState", "shared", "snorm", "stateblock", "stateblock_state", "static", "string", "struct",
    "switch", "StructuredBuffer", "tbuffer", "technique", "technique10", "technique11", "texture", "Texture1D",
    "Texture1DArray", "Texture2D", "Texture2DArray", "Texture2DMS", "Texture2DMSArray", "Texture3D",
    "TextureCube", "TextureCubeArray", "true", "typedef", "triangle", "triangleadj", "TriangleStream", "uint",
    "uniform", "unorm", "unsigned", "vector", "vertexfragment", "VertexShader", "void", "volatile", "while",
    "bool1", "bool2", "bool3", "bool4", "double1", "double2", "double3", "double4", "float1", "float2",
    "float3", "float4", "int1", "int2", "int3", "int4", "uint1", "uint2", "uint3", "uint4", "dword1", "dword2",
    "dword3", "dword4", "half1", "half2", "half3", "half4", "float1x1", "float2x1", "float3x1", "float4x1",
    "float1x2", "float2x2", "float3x2", "float4x2", "float1x3", "float2x3", "float3x3", "float4x3", "float1x4",
    "float2x4", "float3x4", "float4x4", "half1x1", "half2x1", "half3x1", "half4x1", "half1x2", "half2x2",
    "half3x2", "half4x2", "half1x3", "half2x3", "half3x3", "half4x3", "half1x4", "half2x4", "half3x4", "half4x4"
};

// HLSL identifiers (135 words)
const char* const kHlslIdentifiers[] = {
    "abort", "abs", "acos", "all", "AllMemoryBarrier", "AllMemoryBarrierWithGroupSync", "any", "asdouble",
    "asfloat", "asin", "asint", "asuint", "atan", "atan2", "ceil", "CheckAccessFullyMapped", "clamp", "clip",
    "cos", "cosh", "countbits", "cross", "D3DCOLORtoUBYTE4", "ddx", "ddx_coarse", "ddx_fine", "ddy",
    "ddy_coarse", "ddy_fine", "degrees", "determinant", "DeviceMemoryBarrier",
    "DeviceMemoryBarrierWithGroupSync", "distance", "dot", "dst", "errorf", "EvaluateAttributeAtCentroid",
    "EvaluateAttributeAtSample", "EvaluateAttributeSnapped", "exp", "exp2", "f16tof32", "f32tof16",
    "faceforward", "firstbithigh", "firstbitlow", "floor", "fma", "fmod", "frac", "frexp", "fwidth",
    "GetRenderTargetSampleCount", "GetRenderTargetSamplePosition", "GroupMemoryBarrier",
    "GroupMemoryBarrierWithGroupSync", "InterlockedAdd", "InterlockedAnd", "InterlockedCompareExchange",
    "InterlockedCompareStore", "InterlockedExchange", "InterlockedMax", "InterlockedMin", "InterlockedOr",
    "InterlockedXor", "isfinite", "isinf", "isnan", "ldexp", "length", "lerp", "lit", "log", "log10", "log2",
    "mad", "max", "min", "modf", "msad4", "mul", "noise", "normalize", "pow", "printf",
    "Process2DQuadTessFactorsAvg", "Process2DQuadTessFactorsMax", "Process2DQuadTessFactorsMin",
    "ProcessIsolineTessFactors", "ProcessQuadTessFactorsAvg", "ProcessQuadTessFactorsMax",
    "ProcessQuadTessFactorsMin", "ProcessTriTessFactorsAvg", "ProcessTriTessFactorsMax",
    "ProcessTriTessFactorsMin", "radians", "rcp", "reflect", "refract", "reversebits", "round", "rsqrt",
    "saturate", "sign", "sin", "sincos", "sinh", "smoothstep", "sqrt", "step", "tan", "tanh", "tex1D",
    "tex1Dbias", "tex1Dgrad", "tex1Dlod", "tex1Dproj", "tex2D", "tex2Dbias", "tex2Dgrad", "tex2Dlod",
    "tex2Dproj", "tex3D", "tex3Dbias", "tex3Dgrad", "tex3Dlod", "tex3Dproj", "texCUBE", "texCUBEbias",
    "texCUBEgrad", "texCUBElod", "texCUBEproj", "transpose", "trunc"
};

// C keywords (44 words)
const char* const kCKeywords[] = {
    "auto", "break", "case", "char", "const", "continue", "default", "do", "double", "else", "enum", "extern",
    "float", "for", "goto", "if", "inline", "int", "long", "register", "restrict", "return", "short", "signed",
    "sizeof", "static", "struct", "switch", "typedef", "union", "unsigned", "void", "volatile", "while",
    "_Alignas", "_Alignof", "_Atomic", "_Bool", "_Complex", "_Generic", "_Imaginary", "_Noreturn",
    "_Static_assert", "_Thread_local"
};

// C identifiers (49 words)
const char* const kCIdentifiers[] = {
    "abort", "abs", "acos", "asin", "atan", "atexit", "atof", "atoi", "atol", "ceil", "clock", "cosh", "ctime",
    "div", "exit", "fabs", "floor", "fmod", "getchar", "getenv", "isalnum", "isalpha", "isdigit", "isgraph",
    "ispunct", "isspace", "isupper", "kbhit", "log10", "log2", "log", "memcmp", "modf", "pow", "putchar",
    "putenv", "puts", "rand", "remove", "rename", "sinh", "sqrt", "srand", "strcat", "strcmp", "strerror",
    "time", "tolower", "toupper"
};

// SQL keywords (174 words)
const char* const kSqlKeywords[] = {
    "ADD", "EXCEPT", "PERCENT", "ALL", "EXEC", "PLAN", "ALTER", "EXECUTE", "PRECISION", "AND", "EXISTS",
    "PRIMARY", "ANY", "EXIT", "PRINT", "AS", "FETCH", "PROC", "ASC", "FILE", "PROCEDURE", "AUTHORIZATION",
    "FILLFACTOR", "PUBLIC", "BACKUP", "FOR", "RAISERROR", "BEGIN", "FOREIGN", "READ", "BETWEEN", "FREETEXT",
    "READTEXT", "BREAK", "FREETEXTTABLE", "RECONFIGURE", "BROWSE", "FROM", "REFERENCES", "BULK", "FULL",
    "REPLICATION", "BY", "FUNCTION", "RESTORE", "CASCADE", "GOTO", "RESTRICT", "CASE", "GRANT", "RETURN",
    "CHECK", "GROUP", "REVOKE", "CHECKPOINT", "HAVING", "RIGHT", "CLOSE", "HOLDLOCK", "ROLLBACK", "CLUSTERED",
    "IDENTITY", "ROWCOUNT", "COALESCE", "IDENTITY_INSERT", "ROWGUIDCOL", "COLLATE", "IDENTITYCOL", "RULE",
    "COLUMN", "IF", "SAVE", "COMMIT", "IN", "SCHEMA", "COMPUTE", "INDEX", "SELECT", "CONSTRAINT", "INNER",
    "SESSION_USER", "CONTAINS", "INSERT", "SET", "CONTAINSTABLE", "INTERSECT", "SETUSER", "CONTINUE", "INTO",
    "SHUTDOWN", "CONVERT", "IS", "SOME", "CREATE", "JOIN", "STATISTICS", "CROSS", "KEY", "SYSTEM_USER",
    "CURRENT", "KILL", "TABLE", "CURRENT_DATE", "LEFT", "TEXTSIZE", "CURRENT_TIME", "LIKE", "THEN",
    "CURRENT_TIMESTAMP", "LINENO", "TO", "CURRENT_USER", "LOAD", "TOP", "CURSOR", "NATIONAL", "TRAN",
    "DATABASE", "NOCHECK", "TRANSACTION", "DBCC", "NONCLUSTERED", "TRIGGER", "DEALLOCATE", "NOT", "TRUNCATE",
    "DECLARE", "NULL", "TSEQUAL", "DEFAULT", "NULLIF", "UNION", "DELETE", "OF", "UNIQUE", "DENY", "OFF",
    "UPDATE", "DESC", "OFFSETS", "UPDATETEXT", "DISK", "ON", "USE", "DISTINCT", "OPEN", "USER", "DISTRIBUTED",
    "OPENDATASOURCE", "VALUES", "DOUBLE", "OPENQUERY", "VARYING", "DROP", "OPENROWSET", "VIEW", "DUMMY",
    "OPENXML", "WAITFOR", "DUMP", "OPTION", "WHEN", "ELSE", "OR", "WHERE", "END", "ORDER", "WHILE", "ERRLVL",
    "OUTER", "WITH", "ESCAPE", "OVER", "WRITETEXT"
};

// SQL identifiers (136 words)
const char* const kSqlIdentifiers[] = {
    "ABS", "ACOS", "ADD_MONTHS", "ASCII", "ASCIISTR", "ASIN", "ATAN", "ATAN2", "AVG", "BFILENAME", "BIN_TO_NUM",
    "BITAND", "CARDINALITY", "CASE", "CAST", "CEIL", "CHARTOROWID", "CHR", "COALESCE", "COMPOSE", "CONCAT",
    "CONVERT", "CORR", "COS", "COSH", "COUNT", "COVAR_POP", "COVAR_SAMP", "CUME_DIST", "CURRENT_DATE",
    "CURRENT_TIMESTAMP", "DBTIMEZONE", "DECODE", "DECOMPOSE", "DENSE_RANK", "DUMP", "EMPTY_BLOB", "EMPTY_CLOB",
    "EXP", "EXTRACT", "FIRST_VALUE", "FLOOR", "FROM_TZ", "GREATEST", "GROUP_ID", "HEXTORAW", "INITCAP", "INSTR",
    "INSTR2", "INSTR4", "INSTRB", "INSTRC", "LAG", "LAST_DAY", "LAST_VALUE", "LEAD", "LEAST", "LENGTH",
    "LENGTH2", "LENGTH4", "LENGTHB", "LENGTHC", "LISTAGG", "LN", "LNNVL", "LOCALTIMESTAMP", "LOG", "LOWER",
    "LPAD", "LTRIM", "MAX", "MEDIAN", "MIN", "MOD", "MONTHS_BETWEEN", "NANVL", "NCHR", "NEW_TIME", "NEXT_DAY",
    "NTH_VALUE", "NULLIF", "NUMTODSINTERVAL", "NUMTOYMINTERVAL", "NVL", "NVL2", "POWER", "RANK", "RAWTOHEX",
    "REGEXP_COUNT", "REGEXP_INSTR", "REGEXP_REPLACE", "REGEXP_SUBSTR", "REMAINDER", "REPLACE", "ROUND",
    "ROWNUM", "RPAD", "RTRIM", "SESSIONTIMEZONE", "SIGN", "SIN", "SINH", "SOUNDEX", "SQRT", "STDDEV", "SUBSTR",
    "SUM", "SYS_CONTEXT", "SYSDATE", "SYSTIMESTAMP", "TAN", "TANH", "TO_CHAR", "TO_CLOB", "TO_DATE",
    "TO_DSINTERVAL", "TO_LOB", "TO_MULTI_BYTE", "TO_NCLOB", "TO_NUMBER", "TO_SINGLE_BYTE", "TO_TIMESTAMP",
    "TO_TIMESTAMP_TZ", "TO_YMINTERVAL", "TRANSLATE", "TRIM", "TRUNC", "TZ_OFFSET", "UID", "UPPER", "USER",
    "USERENV", "VAR_POP", "VAR_SAMP", "VARIANCE", "VSIZE"
};

// AngelScript keywords (59 words)
const char* const kAngelScriptKeywords[] = {
    "and", "abstract", "auto", "bool", "break", "case", "cast", "class", "const", "continue", "default", "do",
    "double", "else", "enum", "false", "final", "float", "for", "from", "funcdef", "function", "get", "if",
    "import", "in", "inout", "int", "interface", "int8", "int16", "int32", "int64", "is", "mixin", "namespace",
    "not", "null", "or", "out", "override", "private", "protected", "return", "set", "shared", "super",
    "switch", "this", "true", "typedef", "uint", "uint8", "uint16", "uint32", "uint64", "void", "while", "xor"
};

// AngelScript identifiers (31 words)
const char* const kAngelScriptIdentifiers[] = {
    "cos", "sin", "tab", "acos", "asin", "atan", "atan2", "cosh", "sinh", "tanh", "log", "log10", "pow", "sqrt",
    "abs", "ceil", "floor", "fraction", "closeTo", "fpFromIEEE", "fpToIEEE", "complex", "opEquals",
    "opAddAssign", "opSubAssign", "opMulAssign", "opDivAssign", "opAdd", "opSub", "opMul", "opDiv"
};

// Lua keywords (21 words)
const char* const kLuaKeywords[] = {
    "and", "break", "do", "else", "elseif", "end", "false", "for", "function", "if", "in", "local", "nil",
    "not", "or", "repeat", "return", "then", "true", "until", "while"
};

// Lua identifiers (162 words)
const char* const kLuaIdentifiers[] = {
    "assert", "collectgarbage", "dofile", "error", "getmetatable", "ipairs", "loadfile", "load", "loadstring",
    "next", "pairs", "pcall", "print", "rawequal", "rawlen", "rawget", "rawset", "select", "setmetatable",
    "tonumber", "tostring", "type", "xpcall", "_G", "_VERSION", "arshift", "band", "bnot", "bor", "bxor",
    "btest", "extract", "lrotate", "lshift", "replace", "rrotate", "rshift", "create", "resume", "running",
    "status", "wrap", "yield", "isyieldable", "debug", "getuservalue", "gethook", "getinfo", "getlocal",
    "getregistry", "getupvalue", "upvaluejoin", "upvalueid", "setuservalue", "sethook", "setlocal",
    "setupvalue", "traceback", "close", "flush", "input", "lines", "open", "output", "popen", "read", "tmpfile",
    "write", "seek", "setvbuf", "__gc", "__tostring", "abs", "acos", "asin", "atan", "ceil", "cos", "deg",
    "exp", "tointeger", "floor", "fmod", "ult", "log", "max", "min", "modf", "rad", "random", "randomseed",
    "sin", "sqrt", "string", "tan", "atan2", "cosh", "sinh", "tanh", "pow", "frexp", "ldexp", "log10", "pi",
    "huge", "maxinteger", "mininteger", "loadlib", "searchpath", "seeall", "preload", "cpath", "path",
    "searchers", "loaded", "module", "require", "clock", "date", "difftime", "execute", "exit", "getenv",
    "remove", "rename", "setlocale", "time", "tmpname", "byte", "char", "dump", "find", "format", "gmatch",
    "gsub", "len", "lower", "match", "rep", "reverse", "sub", "upper", "pack", "packsize", "unpack", "concat",
    "maxn", "insert", "move", "sort", "offset", "codepoint", "codes", "charpattern", "coroutine", "table", "io",
    "os", "utf8", "bit32", "math", "package"
};

// ==========================================================================
// Token patterns, exactly as the regular-expression engine receives them
// ==========================================================================

const char* const kPreprocessorPattern = R"([ \t]*#[ \t]*[a-zA-Z_]+)";                                   // P1
const char* const kStringPattern = R"(L?\"(\\.|[^\"])*\")";                                                // P2
const char* const kCharLiteralPattern = R"(\'\\?[^\']\')";                                                 // P3
const char* const kQuotedPattern = R"(\'[^\']*\')";                                                        // P4
const char* const kFloatPattern = R"([+-]?([0-9]+([.][0-9]*)?|[.][0-9]+)([eE][+-]?[0-9]+)?[fF]?)";         // P5
const char* const kIntegerPattern = R"([+-]?[0-9]+[Uu]?[lL]?[lL]?)";                                       // P6
const char* const kOctalPattern = R"(0[0-7]+[Uu]?[lL]?[lL]?)";                                             // P7
const char* const kHexPattern = R"(0[xX][0-9a-fA-F]+[uU]?[lL]?[lL]?)";                                     // P8
const char* const kIdentifierPattern = R"([a-zA-Z_][a-zA-Z0-9_]*)";                                        // P9
const char* const kPunctuationPattern = R"([\[\]\{\}\!\%\^\&\*\(\)\-\+\=\~\|\<\>\?\/\;\,\.])";            // P10

struct TokenPattern {
    const char* pattern;
    PaletteIndex role;
};

// Set A: "HLSL" and "GLSL".
const TokenPattern kPatternsA[] = {
    {kPreprocessorPattern, PaletteIndex::Preprocessor}, {kStringPattern, PaletteIndex::String},
    {kCharLiteralPattern, PaletteIndex::CharLiteral},   {kFloatPattern, PaletteIndex::Number},
    {kIntegerPattern, PaletteIndex::Number},            {kOctalPattern, PaletteIndex::Number},
    {kHexPattern, PaletteIndex::Number},                {kIdentifierPattern, PaletteIndex::Identifier},
    {kPunctuationPattern, PaletteIndex::Punctuation},
};

// Set S: "SQL".
const TokenPattern kPatternsS[] = {
    {kStringPattern, PaletteIndex::String},  {kQuotedPattern, PaletteIndex::String},
    {kFloatPattern, PaletteIndex::Number},   {kIntegerPattern, PaletteIndex::Number},
    {kOctalPattern, PaletteIndex::Number},   {kHexPattern, PaletteIndex::Number},
    {kIdentifierPattern, PaletteIndex::Identifier}, {kPunctuationPattern, PaletteIndex::Punctuation},
};

// Set N: "AngelScript" (single-quoted literals are strings there).
const TokenPattern kPatternsN[] = {
    {kStringPattern, PaletteIndex::String},  {kCharLiteralPattern, PaletteIndex::String},
    {kFloatPattern, PaletteIndex::Number},   {kIntegerPattern, PaletteIndex::Number},
    {kOctalPattern, PaletteIndex::Number},   {kHexPattern, PaletteIndex::Number},
    {kIdentifierPattern, PaletteIndex::Identifier}, {kPunctuationPattern, PaletteIndex::Punctuation},
};

// Set L: "Lua" (hexadecimal before the decimal forms).
const TokenPattern kPatternsL[] = {
    {kStringPattern, PaletteIndex::String}, {kQuotedPattern, PaletteIndex::String},
    {kHexPattern, PaletteIndex::Number},    {kFloatPattern, PaletteIndex::Number},
    {kIntegerPattern, PaletteIndex::Number}, {kIdentifierPattern, PaletteIndex::Identifier},
    {kPunctuationPattern, PaletteIndex::Punctuation},
};

// ==========================================================================
// Building a definition
// ==========================================================================

// Everything a built-in definition is made of, in the order it is filled.
struct Recipe {
    const char* name;
    const char* const* keywords;
    size_t keywordCount;
    const char* const* identifiers;
    size_t identifierCount;
    const TokenPattern* patterns;  // null: the C-style tokenizer
    size_t patternCount;
    const char* commentStart;
    const char* commentEnd;
    const char* singleLineComment;
    bool caseSensitive;
    bool autoIndentation;
};

void Fill(SyntaxDefinition& definition, const Recipe& recipe) {
    for (size_t i = 0; i < recipe.keywordCount; ++i) definition.keywords.insert(recipe.keywords[i]);
    for (size_t i = 0; i < recipe.identifierCount; ++i) {
        TextEditor::IdentifierInfo info;
        info.declaration = "Built-in function";
        definition.identifiers.emplace(recipe.identifiers[i], info);  // a repeated word keeps its first entry
    }
    if (recipe.patterns != nullptr) {
        for (size_t i = 0; i < recipe.patternCount; ++i)
            definition.tokenPatterns.emplace_back(recipe.patterns[i].pattern, recipe.patterns[i].role);
    } else {
        definition.tokenize = TokenizeCStyle;
    }
    definition.commentStart = recipe.commentStart;
    definition.commentEnd = recipe.commentEnd;
    definition.singleLineComment = recipe.singleLineComment;
    definition.caseSensitive = recipe.caseSensitive;
    definition.autoIndentation = recipe.autoIndentation;
    definition.name = recipe.name;
}

// Fills a built-in definition on the first call of its accessor, which owns
// both statics, and returns it.
const SyntaxDefinition& FillOnce(SyntaxDefinition& definition, bool& filled, const Recipe& recipe) {
    if (!filled) {
        Fill(definition, recipe);
        filled = true;
    }
    return definition;
}

#define VELMARA_LIST(array) array, sizeof(array) / sizeof(array[0])

}  // namespace

// ==========================================================================
// The built-in definitions: built on first use, kept until exit
// ==========================================================================

const SyntaxDefinition& SyntaxDefinition::CPlusPlus() {
    static SyntaxDefinition definition;
    static bool filled = false;
    return FillOnce(definition, filled,
                    {"C++", VELMARA_LIST(kCppKeywords), VELMARA_LIST(kCppIdentifiers), nullptr, 0,
                     "/*", "*/", "//", true, true});
}

const SyntaxDefinition& SyntaxDefinition::HLSL() {
    static SyntaxDefinition definition;
    static bool filled = false;
    return FillOnce(definition, filled,
                    {"HLSL", VELMARA_LIST(kHlslKeywords), VELMARA_LIST(kHlslIdentifiers), VELMARA_LIST(kPatternsA),
                     "/*", "*/", "//", true, true});
}

const SyntaxDefinition& SyntaxDefinition::GLSL() {
    static SyntaxDefinition definition;
    static bool filled = false;
    return FillOnce(definition, filled,
                    {"GLSL", VELMARA_LIST(kCKeywords), VELMARA_LIST(kCIdentifiers), VELMARA_LIST(kPatternsA),
                     "/*", "*/", "//", true, true});
}

const SyntaxDefinition& SyntaxDefinition::C() {
    static SyntaxDefinition definition;
    static bool filled = false;
    return FillOnce(definition, filled,
                    {"C", VELMARA_LIST(kCKeywords), VELMARA_LIST(kCIdentifiers), nullptr, 0,
                     "/*", "*/", "//", true, true});
}

const SyntaxDefinition& SyntaxDefinition::SQL() {
    static SyntaxDefinition definition;
    static bool filled = false;
    return FillOnce(definition, filled,
                    {"SQL", VELMARA_LIST(kSqlKeywords), VELMARA_LIST(kSqlIdentifiers), VELMARA_LIST(kPatternsS),
                     "/*", "*/", "//", false, false});
}

const SyntaxDefinition& SyntaxDefinition::AngelScript() {
    static SyntaxDefinition definition;
    static bool filled = false;
    return FillOnce(definition, filled,
                    {"AngelScript", VELMARA_LIST(kAngelScriptKeywords), VELMARA_LIST(kAngelScriptIdentifiers),
                     VELMARA_LIST(kPatternsN), "/*", "*/", "//", true, true});
}

const SyntaxDefinition& SyntaxDefinition::Lua() {
    static SyntaxDefinition definition;
    static bool filled = false;
    return FillOnce(definition, filled,
                    {"Lua", VELMARA_LIST(kLuaKeywords), VELMARA_LIST(kLuaIdentifiers), VELMARA_LIST(kPatternsL),
                     "--[[", "]]", "--", true, false});
}

#undef VELMARA_LIST

// ==========================================================================
// Installing a definition in an editor
// ==========================================================================

// The patterns are compiled before anything is replaced: a pattern the
// regular-expression library rejects throws its error and leaves the editor
// as it was.
void TextEditor::SetSyntaxDefinition(const SyntaxDefinition& definition) {
    std::vector<std::pair<std::regex, PaletteIndex>> compiled;
    compiled.reserve(definition.tokenPatterns.size());
    for (const auto& pattern : definition.tokenPatterns)
        compiled.emplace_back(std::regex(pattern.first, std::regex_constants::ECMAScript | std::regex_constants::optimize),
                              pattern.second);
    language = definition;
    regexList = std::move(compiled);
    Colorize(0, -1);
}
