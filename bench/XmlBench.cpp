// Parsing and saving a batch file of 100,000 items, side by side with pugixml on the same file.
// Each figure is the median of several runs; the ratio is Mosvane's time over pugixml's.

#include "xml/XmlDocument.h"

#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
constexpr int kItems = 100000;
constexpr int kRuns = 15;

std::string BatchText()
{
    std::string s = "<MosvaneBatch>\r\n\t<SplitBatch>\r\n"
                    "\t\t<Output ImageType=\"png\" NameFormat=\"tile\" FromNumber=\"1\" Folder=\"/home/ana/out\" "
                    "Template=\"###\"/>\r\n"
                    "\t\t<Input>\r\n\t\t\t<Rows>\r\n\t\t\t\t<Row Ratio=\"0.500000\"/>\r\n\t\t\t\t<Row Ratio=\"0.500000\"/>\r\n"
                    "\t\t\t</Rows>\r\n\t\t\t<Cols>\r\n\t\t\t\t<Col Ratio=\"1.000000\"/>\r\n\t\t\t</Cols>\r\n\t\t</Input>\r\n"
                    "\t\t<ApplyToItems>\r\n";
    char line[160];
    for (int i = 0; i < kItems; ++i)
    {
        std::snprintf(line, sizeof(line), "\t\t\t<Item PathName=\"/home/ana/pictures/holiday 2023/image_%06d.png\"/>\r\n", i);
        s += line;
    }
    s += "\t\t</ApplyToItems>\r\n\t</SplitBatch>\r\n</MosvaneBatch>\r\n";
    return s;
}

double Seconds(const std::function<void()>& f)
{
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct CResult
{
    double m_dOurs;
    double m_dPugi;
};

void Print(const char* pszWhat, const CResult& r)
{
    std::printf("  %-28s %9.2f ms %9.2f ms %8.2f\n", pszWhat, r.m_dOurs * 1e3, r.m_dPugi * 1e3, r.m_dOurs / r.m_dPugi);
}

// Times "make" (which builds a document) and the destruction of what it made, separately.
template <class Doc>
void Time(const std::function<void(Doc&)>& make, std::vector<double>& load, std::vector<double>& free)
{
    auto doc = std::make_unique<Doc>();
    load.push_back(Seconds([&] { make(*doc); }));
    free.push_back(Seconds([&] { doc.reset(); }));
}
} // namespace

int main()
{
    char szDir[] = "/tmp/mosvane-bench-XXXXXX";
    if (!::mkdtemp(szDir))
        return 1;
    const std::string dir = szDir;
    const std::string input = dir + "/batch.xml";
    const std::string text = BatchText();
    std::ofstream(input, std::ios::binary) << text;

    // Both readers must see the same file.
    {
        XmlDocument ours;
        pugi::xml_document pugi;
        if (!ours.LoadFile(input) || !pugi.load_file(input.c_str()))
            return 1;
        const XmlNode items = ours.Root().Child(0).SelectPath("SplitBatch/ApplyToItems");
        const size_t nPugi = std::distance(pugi.child("MosvaneBatch").child("SplitBatch").child("ApplyToItems").begin(),
                                           pugi.child("MosvaneBatch").child("SplitBatch").child("ApplyToItems").end());
        if (items.ChildCount() != kItems || nPugi != size_t(kItems))
        {
            std::fprintf(stderr, "bench_xml: the readers disagree on the item count\n");
            return 1;
        }
    }

    std::vector<double> oursLoad, oursFree, pugiLoad, pugiFree, oursMem, pugiMem, oursSave, pugiSave;
    for (int run = 0; run < kRuns; ++run)
    {
        Time<XmlDocument>([&](XmlDocument& d) { d.LoadFile(input); }, oursLoad, oursFree);
        Time<pugi::xml_document>([&](pugi::xml_document& d) { d.load_file(input.c_str()); }, pugiLoad, pugiFree);
        std::vector<double> unused;
        Time<XmlDocument>([&](XmlDocument& d) { d.LoadMemory(text.data(), text.size()); }, oursMem, unused);
        Time<pugi::xml_document>([&](pugi::xml_document& d) { d.load_buffer(text.data(), text.size()); }, pugiMem,
                                 unused);
    }
    {
        XmlDocument ours;
        pugi::xml_document pugi;
        ours.LoadFile(input);
        pugi.load_file(input.c_str());
        for (int run = 0; run < kRuns; ++run)
        {
            oursSave.push_back(Seconds([&] { ours.Save(dir + "/ours.xml"); }));
            pugiSave.push_back(Seconds([&] { pugi.save_file((dir + "/pugi.xml").c_str(), "\t"); }));
        }
    }

    auto sum = [](const std::vector<double>& a, const std::vector<double>& b) {
        std::vector<double> s(a.size());
        for (size_t i = 0; i < a.size(); ++i)
            s[i] = a[i] + b[i];
        return s;
    };
    std::printf("XML batch file of %d items, %.1f MB, median of %d runs\n", kItems, text.size() / 1e6, kRuns);
    std::printf("  %-28s %12s %12s %8s\n", "", "Mosvane", "pugixml", "ratio");
    Print("parse file", {Median(oursLoad), Median(pugiLoad)});
    Print("parse file and free tree", {Median(sum(oursLoad, oursFree)), Median(sum(pugiLoad, pugiFree))});
    Print("parse from memory", {Median(oursMem), Median(pugiMem)});
    Print("save file", {Median(oursSave), Median(pugiSave)});
    std::printf("  goal: parse file within 2.00 times pugixml's time: %s\n",
                Median(oursLoad) <= 2 * Median(pugiLoad) ? "met" : "MISSED");

    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}
