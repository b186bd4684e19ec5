// material.h -- named texture-plus-colour records and the library read from the materials script.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "resources/texture.h"

namespace qm {

class FileSource;

struct Color {
    float red = 1.0f;
    float green = 1.0f;
    float blue = 1.0f;
    float alpha = 1.0f;
};

// One record of the material chain. A record owns the records after it.
class Material {
public:
    Material() = default;
    ~Material();
    Material(const Material&) = delete;
    Material& operator=(const Material&) = delete;

    // Enables 2D texturing, binds the texture (a record without a texture object
    // leaves the bound texture as it was) and sets the colour. Nothing else.
    void apply() const;
    // This record or the first one after it whose name equals `wanted` exactly;
    // unnamed records never match. Null at the end of the chain.
    Material* findInChain(std::string_view wanted);
    // Links the record after the last one of the chain that starts here.
    void appendToChain(std::unique_ptr<Material> record);

    std::optional<std::string> name;  // as written, blanks included
    Texture texture;
    Color color;  // opaque white until the script sets a component
    std::unique_ptr<Material> next;
    Material* prev = nullptr;  // borrowed: the record that owns this one
};

// What the materials script reader noticed, for tools that check scripts.
struct MaterialFinding {
    enum class Kind {
        ImageRead,            // field 1 was read as an image; `image` says how it went
        UnknownKeyword,       // a wrap or filter field that names none of its keywords
        BlanksAroundKeyword,  // a keyword with blanks or tabs around it, which make it unknown
        NotANumber,           // a colour field without a number (reads as 0)
        FieldTooLong,         // a field beyond 255 characters; the rest was dropped
        ExtraField,           // a field after the alpha field, ended by ","; ignored
        RecordCutShort,       // ";" before the alpha field: the fields not reached stay as they were
        RecordNotEnded,       // the file ends inside a record; its last field is not acted on
        TooManyRecords,       // the kMaxRecords-th ";": the rest of the script is not read
    };
    Kind kind;
    int line;        // line of the field's first character (1-based)
    int fieldIndex;  // 0 name, 1 image, 2-5 keywords, 6-9 colour
    std::string text;
    ImageStatus image = ImageStatus::Ok;
    ImageNote imageNote;  // what the image reader noticed beyond `image`
};
using MaterialObserver = std::function<void(const MaterialFinding&)>;
// Hears every look-up that falls back to the first material: the name asked for.
using MaterialMissObserver = std::function<void(std::string_view wanted)>;

class MaterialLibrary {
public:
    // Scripts and pictures are read from `files`, which the library borrows.
    explicit MaterialLibrary(FileSource& files) : files_(files) {}
    MaterialLibrary(const MaterialLibrary&) = delete;
    MaterialLibrary& operator=(const MaterialLibrary&) = delete;

    static constexpr size_t kMaxFieldLength = 255;
    // Records a script may make (the unnamed last one not counted). Every ";" makes
    // one, so without a limit a script of nothing but ";" would cost far more memory
    // than its size; no demo comes near it.
    static constexpr int kMaxRecords = 65536;

    // Reads the script into the chain (textures are uploaded, so a GL context must
    // be current, unless uploads are off). False, with the library unchanged, when the
    // script cannot be read.
    bool load(std::string_view path, const MaterialObserver& observer = {});
    // The first record named `wanted`; when there is none, the first material.
    Material* find(std::string_view wanted);
    // The keywords a wrap (fields 2, 3), minification (4) or magnification (5) field takes.
    static std::vector<std::string_view> keywordsOfField(int fieldIndex);

    // The chain in script order, ending with an unnamed record.
    Material& head() { return head_; }
    const Material& head() const { return head_; }
    // Back to the empty library (only an unnamed head).
    void clear();

    // For tools that check scripts; none by default.
    void setMissObserver(MaterialMissObserver observer) { missObserver_ = std::move(observer); }
    // Tools that read scripts without a GL context turn uploads off: the textures keep
    // their parameters and pictures but get no texture object. On by default.
    void setUploads(bool uploads) { uploads_ = uploads; }

private:
    FileSource& files_;
    bool uploads_ = true;
    Material head_;
    MaterialMissObserver missObserver_;
};

}  // namespace qm
