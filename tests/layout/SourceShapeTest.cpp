// The shape of the sources: no function in the core longer than a reader takes in at once, and
// no circle of includes between the window's files, each failure naming the file and line.
//
// Function length is found by a brace-matching scan, not by a compiler. Comments, string and
// character literals (raw strings included) and preprocessor lines are blanked first, so every
// brace left is code's. A brace at namespace or class scope, outside parentheses, opens a
// function body when the declaration before it (the text since the last ';', '{' or '}' of that
// scope) holds a ')' and is neither a type (class, struct, union, enum), a namespace, an
// extern block nor an initializer ('=' outside parentheses). Everything inside a body, lambdas
// and local classes included, belongs to the function. Its length is counted from the line its
// declaration starts on to the line of its closing brace, both included, with the comments and
// blank lines inside.

#include "SourceTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <regex>
#include <set>

namespace
{
using namespace mosvane::test;

constexpr int kMaxFunctionLines = 80;
const std::vector<std::string> kCoreFolders = {"base", "xml", "config", "engine", "image", "ops", "batch"};

bool IsWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Blanks text[from, to) to spaces, keeping line ends so that line numbers hold.
void Blank(std::string& text, size_t from, size_t to)
{
    for (size_t i = from; i < to && i < text.size(); ++i)
        if (text[i] != '\n')
            text[i] = ' ';
}

// Where the literal opening with the quote at `at` ends (one past its closing quote).
size_t LiteralEnd(const std::string& text, size_t at)
{
    const char quote = text[at];
    if (quote == '"' && at > 0 && text[at - 1] == 'R')
    {
        // R"delimiter( ... )delimiter"
        const size_t open = text.find('(', at);
        if (open == std::string::npos)
            return text.size();
        const std::string close = ")" + text.substr(at + 1, open - at - 1) + "\"";
        const size_t end = text.find(close, open);
        return end == std::string::npos ? text.size() : end + close.size();
    }
    size_t i = at + 1;
    while (i < text.size() && text[i] != quote && text[i] != '\n')
        i += text[i] == '\\' ? 2 : 1;
    return std::min(i + 1, text.size());
}

// The code of a source file with comments, literals and preprocessor lines blanked.
std::string CodeOnly(std::string text)
{
    bool lineStart = true;
    for (size_t i = 0; i < text.size();)
    {
        const char c = text[i];
        size_t end = i;
        if (lineStart && c == '#')
        {
            // A directive, with its continuation lines.
            end = i;
            while (end < text.size() && (text[end] != '\n' || (end > 0 && text[end - 1] == '\\')))
                ++end;
        }
        else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/')
            end = text.find('\n', i) == std::string::npos ? text.size() : text.find('\n', i);
        else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*')
            end = text.find("*/", i + 2) == std::string::npos ? text.size() : text.find("*/", i + 2) + 2;
        else if (c == '"' || (c == '\'' && (i == 0 || !IsWordChar(text[i - 1])))) // 1'000 is a number
            end = LiteralEnd(text, i);
        if (end > i)
        {
            Blank(text, i, end);
            i = end;
            continue;
        }
        if (c == '\n')
            lineStart = true;
        else if (!std::isspace(static_cast<unsigned char>(c)))
            lineStart = false;
        ++i;
    }
    return text;
}

struct SFunction
{
    std::string m_strName;
    int m_nFirstLine = 0;
    int m_nLastLine = 0;
    int Lines() const { return m_nLastLine - m_nFirstLine + 1; }
};

// The declaration text with everything inside parentheses (and the symbols of an operator's
// name) removed: what decides what kind of brace follows.
std::string OutsideParentheses(const std::string& head)
{
    const std::string plain = std::regex_replace(head, std::regex(R"(\boperator\s*[^\w\s(]+)"), "operator");
    std::string outside;
    int depth = 0;
    for (char c : plain)
    {
        depth += c == '(' ? 1 : c == ')' ? -1 : 0;
        if (depth == 0 && c != ')')
            outside += c;
    }
    return outside;
}

enum class EScope
{
    Container, // namespace, class, extern block, the file itself
    Function,
    Other, // initializers, enums, braces inside parentheses
};

EScope Classify(const std::string& head)
{
    const std::string outside = OutsideParentheses(head);
    static const std::regex container(R"(\b(namespace|class|struct|union)\b|\bextern\s*$)");
    static const std::regex other(R"(\benum\b|=)");
    if (std::regex_search(outside, other))
        return EScope::Other;
    if (std::regex_search(outside, container))
        return EScope::Container;
    return head.find(')') != std::string::npos ? EScope::Function : EScope::Other;
}

// The function's name: the last qualified word before its parameter list.
std::string FunctionName(const std::string& head)
{
    std::smatch m;
    static const std::regex name(R"(((?:[\w~]+\s*::\s*)*(?:operator\s*[^\w\s(]+|operator\b[\w\s]*|~?\w+))\s*\()");
    return std::regex_search(head, m, name) ? std::regex_replace(m[1].str(), std::regex(R"(\s+)"), "") : head;
}

// Every function body at namespace or class scope of a source's text.
std::vector<SFunction> FunctionBodies(const std::string& source)
{
    const std::string code = CodeOnly(source);
    struct SOpen
    {
        EScope m_scope;
        SFunction m_function;
        int m_nParens; // of the enclosing container when it opened
    };
    std::vector<SOpen> stack;
    std::vector<SFunction> found;
    size_t headStart = 0;
    int parens = 0, line = 1;
    auto inFunction = [&] { return !stack.empty() && stack.back().m_scope != EScope::Container; };
    for (size_t i = 0; i < code.size(); ++i)
    {
        const char c = code[i];
        if (c == '\n')
            ++line;
        else if (inFunction())
        {
            if (c == '{')
                stack.push_back({EScope::Other, {}, 0});
            else if (c == '}')
            {
                SOpen closed = stack.back();
                stack.pop_back();
                if (closed.m_scope == EScope::Function)
                {
                    closed.m_function.m_nLastLine = line;
                    found.push_back(closed.m_function);
                }
                // A brace inside a declaration's parentheses (a default argument) leaves the
                // declaration going on.
                if (!inFunction() && closed.m_nParens == 0)
                    headStart = i + 1;
                if (!inFunction())
                    parens = closed.m_nParens;
            }
        }
        else if (c == '(' || c == ')')
            parens += c == '(' ? 1 : -1;
        else if (c == ';' && parens == 0)
            headStart = i + 1;
        else if (c == '{')
        {
            const std::string head = code.substr(headStart, i - headStart);
            const EScope scope = parens > 0 ? EScope::Other : Classify(head);
            SFunction function;
            if (scope == EScope::Function)
            {
                const size_t first = code.find_first_not_of(" \t\r\n", headStart);
                function.m_strName = FunctionName(head);
                function.m_nFirstLine = line - int(std::count(code.begin() + long(first), code.begin() + long(i), '\n'));
            }
            stack.push_back({scope, function, parens});
            if (scope == EScope::Container)
                headStart = i + 1, parens = 0;
        }
        else if (c == '}' && !stack.empty())
        {
            parens = stack.back().m_nParens;
            stack.pop_back();
            headStart = i + 1;
        }
    }
    return found;
}

// "file:line: Name is N lines" for every function of the folders longer than the limit.
std::vector<std::string> LongFunctions(const std::filesystem::path& root, const std::vector<std::string>& folders,
                                       int limit = kMaxFunctionLines)
{
    std::vector<std::string> found;
    for (const std::string& folder : folders)
        for (const std::string& file : SourcesUnder(root, folder))
            for (const SFunction& f : FunctionBodies(TextOf(root / file)))
                if (f.Lines() > limit)
                    found.push_back(file + ":" + std::to_string(f.m_nFirstLine) + ": " + f.m_strName + " is " +
                                    std::to_string(f.Lines()) + " lines");
    return found;
}

// The include circles between the units of a folder (a unit: a header and its source, by name),
// each as "A -> B -> ... -> A" from its alphabetically first unit; empty when there is none.
std::vector<std::string> IncludeCircles(const std::filesystem::path& root, const std::string& folder)
{
    std::map<std::string, std::set<std::string>> edges;
    const std::regex include("^\\s*#\\s*include\\s*\"" + folder + "/([A-Za-z0-9_/]+)\\.h\"");
    for (const std::string& file : SourcesUnder(root, folder))
    {
        const std::string unit = std::filesystem::path(file).replace_extension().string().substr(folder.size() + 1);
        edges[unit];
        std::istringstream lines(TextOf(root / file));
        std::smatch m;
        for (std::string line; std::getline(lines, line);)
            if (std::regex_search(line, m, include) && m[1].str() != unit)
                edges[unit].insert(m[1].str());
    }
    // Depth-first from every unit; a unit met again on the current path closes a circle. Each
    // circle is reported once, rotated to start at its smallest unit.
    std::set<std::string> circles, done;
    std::vector<std::string> path;
    std::function<void(const std::string&)> visit = [&](const std::string& unit) {
        const auto onPath = std::find(path.begin(), path.end(), unit);
        if (onPath != path.end())
        {
            std::vector<std::string> circle(onPath, path.end());
            std::rotate(circle.begin(), std::min_element(circle.begin(), circle.end()), circle.end());
            std::string text;
            for (const std::string& member : circle)
                text += member + " -> ";
            circles.insert(text + circle.front());
            return;
        }
        if (done.count(unit))
            return;
        path.push_back(unit);
        for (const std::string& next : edges[unit])
            visit(next);
        path.pop_back();
        done.insert(unit);
    };
    for (const auto& entry : edges)
        visit(entry.first);
    return {circles.begin(), circles.end()};
}

// n lines of body, each a statement.
std::string Body(int n)
{
    std::string body;
    for (int i = 0; i < n; ++i)
        body += "    x += " + std::to_string(i) + ";\n";
    return body;
}

TEST(SourceShape, TheScanFindsFunctionBodiesAndOnlyThem)
{
    const std::string source =
        "#include \"a.h\"\n"                                        // 1
        "#define BRACE {\n"                                          // 2
        "namespace n {\n"                                            // 3
        "// a comment { with a brace\n"                              // 4
        "const int kTable[] = {1, 2, 3};\n"                          // 5
        "enum class E : int { A, B };\n"                             // 6
        "struct S : public T {\n"                                    // 7
        "    int Get() const { return m_n; }\n"                      // 8
        "    bool operator==(const S& o) const noexcept { return true; }\n" // 9
        "    int m_n{0};\n"                                          // 10
        "};\n"                                                       // 11
        "template <typename T>\n"                                    // 12
        "std::string CFoo::Name(int a = {}, const char* s = \"}\")\n" // 13
        "{\n"                                                        // 14
        "    const char c = '{';\n"                                  // 15
        "    auto f = [&] { if (a) { return R\"x(})x\"; } return \"\"; };\n" // 16
        "    /* } */ return 1'000;\n"                                // 17
        "}\n"                                                        // 18
        "CFoo::CFoo() : m_a(1), m_b(2)\n"                            // 19
        "{\n"                                                        // 20
        "}\n"                                                        // 21
        "extern \"C\" { void g() {} }\n"                             // 22
        "} // namespace n\n";                                        // 23
    std::vector<std::pair<std::string, std::pair<int, int>>> got;
    for (const SFunction& f : FunctionBodies(source))
        got.push_back({f.m_strName, {f.m_nFirstLine, f.m_nLastLine}});
    const std::vector<std::pair<std::string, std::pair<int, int>>> expected = {
        {"Get", {8, 8}}, {"operator==", {9, 9}}, {"CFoo::Name", {12, 18}}, {"CFoo::CFoo", {19, 21}}, {"g", {22, 22}}};
    EXPECT_EQ(got, expected);
}

TEST(SourceShape, TheCheckersNameLongFunctionsAndIncludeCircles)
{
    CTempDir dir;
    WriteFiles(dir, {
        {"ops/Long.cpp", "int Fits()\n{\n" + Body(77) + "}\n\nint TooLong()\n{\n" + Body(79) + "}\n"},
        {"ops/Class.h", "class C\n{\n    void Inline()\n    {\n" + Body(80) + "    }\n};\n"},
        {"ui/Other.cpp", "int TooLongButNotCore()\n{\n" + Body(200) + "}\n"},
        {"ui/A.h", "#include \"ui/B.h\"\n"},
        {"ui/B.cpp", "#include \"ui/B.h\"\n#include \"ui/C.h\"\n"},
        {"ui/C.h", "#include <ui/A.h>\n"}, // not a project include: no circle
        {"ui/D.cpp", "#include \"ui/E.h\"\n"},
        {"ui/E.cpp", "#include \"ui/D.h\"\n#include \"ui/A.h\"\n"},
    });
    EXPECT_EQ(LongFunctions(dir.Path(), {"ops"}, 80),
              (std::vector<std::string>{"ops/Class.h:3: Inline is 83 lines", "ops/Long.cpp:82: TooLong is 82 lines"}));
    EXPECT_EQ(IncludeCircles(dir.Path(), "ui"), std::vector<std::string>{"D -> E -> D"});
    WriteFiles(dir, {{"ui/C.h", "#include \"ui/A.h\"\n"}});
    EXPECT_EQ(IncludeCircles(dir.Path(), "ui"), (std::vector<std::string>{"A -> B -> C -> A", "D -> E -> D"}));
}

TEST(SourceShape, NoCoreFunctionIsLongerThanTheLimit)
{
    EXPECT_EQ(LongFunctions(MOSVANE_SOURCE_DIR, kCoreFolders), std::vector<std::string>{});
}

TEST(SourceShape, NoCircleOfIncludesBetweenTheWindowsFiles)
{
    EXPECT_EQ(IncludeCircles(MOSVANE_SOURCE_DIR, "ui"), std::vector<std::string>{});
}
} // namespace
