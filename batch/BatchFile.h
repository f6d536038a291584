#pragma once
// The open batch file: an XML document whose root element "MosvaneBatch" holds one section per
// operation kind. Each section has the children "Output" and "Input" (the settings recorded by
// Save Config) and "ApplyToItems" (one "Item" element with a "PathName" per image item). Every
// value is text, so the file may be edited by hand; every reader tolerates missing values.
//
// At most one document is open per object. The document changes only in memory until
// SaveBatchFile writes it back to the path it was created or loaded from.

#include "batch/BatchKind.h"
#include "ops/OperationInputs.h"
#include "xml/XmlDocument.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

inline constexpr const char* kBatchRootName = "MosvaneBatch";

// Handles on one complete section and its three children.
struct BatchSection
{
    XmlNode m_section;
    XmlNode m_output;
    XmlNode m_input;
    XmlNode m_items; // "ApplyToItems"
};

class BatchFile
{
public:
    BatchFile();
    ~BatchFile();
    BatchFile(const BatchFile&) = delete;
    BatchFile& operator=(const BatchFile&) = delete;

    // Starts a new document holding only the root element, writes it to path at once and keeps
    // the path. The batch is open afterwards whether or not the write succeeded; the result is
    // whether the file was written. pstrReason, where given, receives why it was not (the file
    // module's reason, or empty).
    bool NewBatchFile(const std::string& path, std::string* pstrReason = nullptr);
    // Starts a new document holding only the root element, kept in memory: nothing is written
    // until SaveBatchFile writes it to path.
    void StartBatchFile(const std::string& path);
    // Opens the file when it parses and its first node is the element "MosvaneBatch" (byte for
    // byte); otherwise the object is left closed. pstrReason receives why a file could not be read;
    // it is empty after a success and for a file that was read but is no batch file.
    bool LoadBatchFile(const std::string& path, std::string* pstrReason = nullptr);
    // Writes the open document to its path. False when closed or when the file could not be
    // written (an old file then stays whole); pstrReason as for NewBatchFile.
    bool SaveBatchFile(std::string* pstrReason = nullptr);
    // Drops the document without saving.
    void CloseBatchFile();

    // The document was changed in memory (a section recorded, an item added) since it was loaded
    // or last written; a new batch whose first write failed counts as changed.
    bool IsModified() const { return m_bModified; }
    // The file at the path is no longer what this object loaded or last wrote there: another
    // program, or another window, wrote, replaced or removed it since.
    bool ChangedOnDisk() const;

    bool IsOpen() const { return m_pDocument != nullptr; }
    const std::string& Path() const { return m_strPath; }
    XmlNode Root() const { return m_root; }

    // The kind's section element exists (complete or not).
    bool HasSection(EBatchKind kind) const;
    // The section element itself, or an empty handle.
    XmlNode SectionNode(EBatchKind kind) const;
    // The section and whichever of its three children exist; the others are empty handles.
    BatchSection SectionParts(EBatchKind kind) const;
    // The section and its "Output", "Input" and "ApplyToItems"; false when the batch is closed or
    // any of the four is missing.
    bool GetSection(EBatchKind kind, BatchSection& section) const;

    // Appends an "Item" with the path to the section's item list (made when missing). False when
    // the batch is closed or the section does not exist. Equal paths are not looked for.
    bool AddItem(EBatchKind kind, const std::string& path);

    // Save Config: record a kind's values in its section, made when missing. Attributes keep their
    // place and are overwritten; items already listed stay. False when the batch is closed.
    // Split: type, title ("NameFormat"), from number, folder and as many '#' as the template has
    // characters; the "Rows" and "Cols" lists are replaced by the given ratios.
    bool WriteSplitSection(const SplitInputs& inputs);
    bool WriteCombineSection(const CombineInputs& inputs);
    bool WriteBlendSection(const BlendInputs& inputs);
    bool WriteAlphaExtractSection(const SequenceRecord& output);
    bool WriteRgbAlphaSection(const AlphaRgbInputs& inputs);
    bool WriteAlphaImageCombineSection(const AlphaImageInputs& inputs);
    // MNG: type, folder, template and from number of the frame sequence (m_source, as the MNG
    // group holds them), frame count and rate.
    bool WriteMngSection(const MngInputs& inputs);

    // The digit count of the kind's recorded "Template" (0 when there is none), read without
    // changing the document (batch/BatchSections.h). Used to turn chosen files into sequence items.
    int TemplateDigitsOf(EBatchKind kind) const;

private:
    // The section with its three children, each made when missing, in the file's order.
    bool PrepareSection(EBatchKind kind, BatchSection& section);

    // One value a Write function records: an attribute of "Input" (otherwise of "Output") and its text.
    // A value with a default is written only when it differs from it or the file already holds the
    // attribute, so that a section saved without the setting keeps the bytes it always had.
    struct SRecordedValue
    {
        bool m_bInput;
        const char* m_pName;
        std::string m_strValue;
        const char* m_pszDefault = nullptr;
    };
    // Prepares the section and sets the values in the order given (new attributes are appended).
    bool WriteValues(EBatchKind kind, std::initializer_list<SRecordedValue> values, BatchSection& section);
    bool WriteValues(EBatchKind kind, std::initializer_list<SRecordedValue> values);

    // What the file at the path holds now: its size and a hash of its bytes, or nothing when it
    // cannot be read.
    struct SDiskStamp
    {
        bool m_bRead = false;
        uint64_t m_nSize = 0;
        size_t m_nHash = 0;
        bool operator==(const SDiskStamp&) const = default;
    };
    SDiskStamp DiskStamp() const;

    std::unique_ptr<XmlDocument> m_pDocument;
    XmlNode m_root;
    std::string m_strPath;
    bool m_bModified = false;
    SDiskStamp m_diskStamp; // as loaded or last written
};

// The sequence item path of a chosen file: the file's path with the number field just before its
// last four characters (its extension with the dot) taken out, the number field being `digits`
// characters long (decimal digits, or '-' and digits for a negative number). False when the file
// is no member of such a sequence. The executors name the same file again when they put the number
// back: "shots/walk0007.png" with 4 digits gives "shots/walk.png".
bool SequenceItemPath(const std::string& chosenPath, int digits, std::string& itemPath);

// Add Items of a sequence kind: every chosen file turned into its sequence path, in order, without
// repeats; files that are no member of a sequence with that many digits are left out.
std::vector<std::string> SequenceItemPaths(const std::vector<std::string>& chosenPaths, int digits);
