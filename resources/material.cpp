// material.cpp -- the material chain, Material::apply, and the materials script reader.
#include "resources/material.h"

#include <GL/gl.h>

#include <cstdlib>
#include <string>

#include "base/paths.h"

namespace qm {

namespace {

struct Keyword {
    std::string_view word;
    int32_t value;
};

constexpr Keyword kWrapModes[] = {
    {"GL_REPEAT", gl::kRepeat},
    {"GL_CLAMP", gl::kClamp},
    {"GL_CLAMP_TO_EDGE", gl::kClampToEdge},
};
constexpr Keyword kMinFilters[] = {
    {"GL_LINEAR", gl::kLinear},
    {"GL_NEAREST", gl::kNearest},
    {"GL_LINEAR_MIPMAP_LINEAR", gl::kLinearMipmapLinear},
    {"GL_NEAREST_MIPMAP_NEAREST", gl::kNearestMipmapNearest},
    {"GL_LINEAR_MIPMAP_NEAREST", gl::kLinearMipmapNearest},
    {"GL_NEAREST_MIPMAP_LINEAR", gl::kNearestMipmapLinear},
};
constexpr Keyword kMagFilters[] = {
    {"GL_NEAREST", gl::kNearest},
    {"GL_LINEAR", gl::kLinear},
};

template <size_t N>
const Keyword* lookUp(const Keyword (&table)[N], std::string_view word) {
    for (const Keyword& k : table)
        if (k.word == word) return &k;
    return nullptr;
}

std::string_view trimBlanks(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

// Field indices of one record.
enum Field : int {
    kName = 0,
    kImage = 1,
    kWrapS = 2,
    kWrapT = 3,
    kMinFilter = 4,
    kMagFilter = 5,
    kRed = 6,
    kGreen = 7,
    kBlue = 8,
    kAlpha = 9,
};

// Reads the script one character at a time: "," ends a field, ";" ends a record,
// line ends are dropped wherever they occur, everything else belongs to the field.
class ScriptReader {
public:
    ScriptReader(Material& head, const MaterialObserver& observer, FileSource& files, bool uploads)
        : observer_(observer), files_(files), uploads_(uploads) {
        current_ = &head;
        tail_ = &head;
        while (tail_->next) tail_ = tail_->next.get();
        field_.reserve(MaterialLibrary::kMaxFieldLength);
    }

    void read(std::string_view text) {
        for (size_t i = 0; i < text.size() && records_ < MaterialLibrary::kMaxRecords; ++i) {
            const char c = text[i];
            if (c == '\n') {
                ++line_;
            } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                // the CR of a CR LF line end
            } else if (c == ',') {
                endField();
            } else if (c == ';') {
                endRecord();
            } else {
                append(c);
            }
        }
        if (records_ >= MaterialLibrary::kMaxRecords)
            report(MaterialFinding::Kind::TooManyRecords);
        else if (index_ > 0 || !field_.empty())
            report(MaterialFinding::Kind::RecordNotEnded);
    }

private:
    void append(char c) {
        if (field_.empty() && !overflowed_) fieldLine_ = line_;
        if (field_.size() < MaterialLibrary::kMaxFieldLength) {
            field_ += c;
        } else if (!overflowed_) {
            overflowed_ = true;
            report(MaterialFinding::Kind::FieldTooLong);
        }
    }

    void startNextField() {
        field_.clear();
        overflowed_ = false;
    }

    void endField() {
        if (field_.empty()) fieldLine_ = line_;
        actOnField();
        startNextField();
        if (index_ < kIndexCap) ++index_;
    }

    void endRecord() {
        if (field_.empty()) fieldLine_ = line_;
        if (index_ < kAlpha) report(MaterialFinding::Kind::RecordCutShort);
        current_->color.alpha = number();
        startNextField();
        index_ = 0;
        // Appending from the tail gives the same chain as walking from the head,
        // without a walk per record.
        auto record = std::make_unique<Material>();
        Material* added = record.get();
        tail_->appendToChain(std::move(record));
        tail_ = added;
        current_ = added;
        ++records_;
    }

    void actOnField() {
        Texture& texture = current_->texture;
        switch (index_) {
            case kName:
                current_->name = field_;
                break;
            case kImage: {
                texture.loadImage(field_, files_);
                MaterialFinding finding = makeFinding(MaterialFinding::Kind::ImageRead);
                finding.image = texture.status();
                finding.imageNote = texture.note();
                if (observer_) observer_(finding);
                break;
            }
            case kWrapS:
                store(kWrapModes, firstSlot_);
                break;
            case kWrapT:
                store(kWrapModes, secondSlot_);
                texture.setWrap(firstSlot_, secondSlot_);
                break;
            case kMinFilter:
                store(kMinFilters, firstSlot_);
                break;
            case kMagFilter:
                store(kMagFilters, secondSlot_);
                texture.setFilter(firstSlot_, secondSlot_);
                if (uploads_) texture.upload();
                break;
            case kRed:
                current_->color.red = number();
                break;
            case kGreen:
                current_->color.green = number();
                break;
            case kBlue:
                current_->color.blue = number();
                break;
            default:
                report(MaterialFinding::Kind::ExtraField);
                break;
        }
    }

    // An unknown word leaves the slot as it was: the value handed on is the one
    // last stored there, possibly by an earlier record. Authors' scripts rely on it.
    template <size_t N>
    void store(const Keyword (&table)[N], int32_t& slot) {
        if (const Keyword* k = lookUp(table, field_)) {
            slot = k->value;
            return;
        }
        report(lookUp(table, trimBlanks(field_)) ? MaterialFinding::Kind::BlanksAroundKeyword
                                                 : MaterialFinding::Kind::UnknownKeyword);
    }

    float number() {
        const char* begin = field_.c_str();
        char* end = nullptr;
        const double value = std::strtod(begin, &end);
        if (end == begin) report(MaterialFinding::Kind::NotANumber);
        return static_cast<float>(value);
    }

    MaterialFinding makeFinding(MaterialFinding::Kind kind) const {
        return MaterialFinding{kind, fieldLine_, index_, field_, ImageStatus::Ok, ImageNote{}};
    }

    void report(MaterialFinding::Kind kind) {
        if (observer_) observer_(makeFinding(kind));
    }

    // Fields after the alpha field only count up; the cap keeps the index in range
    // for a file of nothing but commas.
    static constexpr int kIndexCap = 1 << 30;

    const MaterialObserver& observer_;
    FileSource& files_;
    bool uploads_;
    Material* current_ = nullptr;
    Material* tail_ = nullptr;
    std::string field_;
    bool overflowed_ = false;
    int index_ = 0;
    int32_t firstSlot_ = 0;
    int32_t secondSlot_ = 0;
    int line_ = 1;
    int fieldLine_ = 1;
    int records_ = 0;  // ended by ";" in this read
};

}  // namespace

Material::~Material() {
    // Unlink the tail one record at a time: a long chain must not recurse deeply.
    std::unique_ptr<Material> tail = std::move(next);
    while (tail) tail = std::move(tail->next);
}

void Material::apply() const {
    glEnable(GL_TEXTURE_2D);
    texture.bind();
    glColor4f(color.red, color.green, color.blue, color.alpha);
}

Material* Material::findInChain(std::string_view wanted) {
    for (Material* m = this; m; m = m->next.get())
        if (m->name && *m->name == wanted) return m;
    return nullptr;
}

void Material::appendToChain(std::unique_ptr<Material> record) {
    Material* last = this;
    while (last->next) last = last->next.get();
    record->prev = last;
    last->next = std::move(record);
}

bool MaterialLibrary::load(std::string_view path, const MaterialObserver& observer) {
    std::string text;
    if (!files_.read(path, text)) return false;
    ScriptReader(head_, observer, files_, uploads_).read(text);
    return true;
}

std::vector<std::string_view> MaterialLibrary::keywordsOfField(int fieldIndex) {
    std::vector<std::string_view> words;
    const auto add = [&](const auto& table) {
        for (const Keyword& k : table) words.push_back(k.word);
    };
    if (fieldIndex == kWrapS || fieldIndex == kWrapT)
        add(kWrapModes);
    else if (fieldIndex == kMinFilter)
        add(kMinFilters);
    else if (fieldIndex == kMagFilter)
        add(kMagFilters);
    return words;
}

Material* MaterialLibrary::find(std::string_view wanted) {
    Material* found = head_.findInChain(wanted);
    if (found) return found;
    if (missObserver_) missObserver_(wanted);
    return &head_;
}

void MaterialLibrary::clear() {
    head_.next.reset();
    head_.name.reset();
    head_.texture = Texture();
    head_.color = Color();
}

}  // namespace qm
