#include "notes/JsonValue.h"

#include <QStringDecoder>

namespace {

// Deep enough for any document of ours; stops a hostile file from
// exhausting the stack.
constexpr int kMaxDepth = 64;

class Reader
{
public:
    explicit Reader(QByteArrayView bytes) : m_p(bytes.data()), m_end(bytes.data() + bytes.size()) {}

    std::optional<JsonValue> document()
    {
        JsonValue value;
        skipSpace();
        if (!readValue(value, 0))
            return std::nullopt;
        skipSpace();
        if (m_p != m_end)
            return std::nullopt;
        return value;
    }

private:
    void skipSpace()
    {
        while (m_p < m_end && (*m_p == ' ' || *m_p == '\t' || *m_p == '\n' || *m_p == '\r'))
            ++m_p;
    }

    bool literal(const char *word)
    {
        for (; *word; ++word, ++m_p) {
            if (m_p == m_end || *m_p != *word)
                return false;
        }
        return true;
    }

    bool readValue(JsonValue &value, int depth)
    {
        if (m_p == m_end || depth > kMaxDepth)
            return false;
        switch (*m_p) {
        case '{':
            return readObject(value, depth);
        case '[':
            return readArray(value, depth);
        case '"':
            value.kind = JsonValue::Kind::String;
            return readString(value.string);
        case 't':
            value.kind = JsonValue::Kind::Bool;
            value.boolean = true;
            return literal("true");
        case 'f':
            value.kind = JsonValue::Kind::Bool;
            return literal("false");
        case 'n':
            return literal("null");
        default:
            value.kind = JsonValue::Kind::Number;
            return readNumber(value.number);
        }
    }

    // After an item or member: a comma (more follow) or `close` (`closed`).
    bool readSeparator(char close, bool &closed)
    {
        skipSpace();
        if (m_p == m_end || (*m_p != ',' && *m_p != close))
            return false;
        closed = *m_p++ == close;
        skipSpace();
        return true;
    }

    bool readObject(JsonValue &value, int depth)
    {
        value.kind = JsonValue::Kind::Object;
        ++m_p;
        skipSpace();
        if (m_p < m_end && *m_p == '}') {
            ++m_p;
            return true;
        }
        while (true) {
            JsonMember member;
            if (m_p == m_end || *m_p != '"' || !readString(member.key))
                return false;
            skipSpace();
            if (m_p == m_end || *m_p != ':')
                return false;
            ++m_p;
            skipSpace();
            if (!readValue(member.value, depth + 1))
                return false;
            value.members.push_back(std::move(member));
            bool closed = false;
            if (!readSeparator('}', closed))
                return false;
            if (closed)
                return true;
        }
    }

    bool readArray(JsonValue &value, int depth)
    {
        value.kind = JsonValue::Kind::Array;
        ++m_p;
        skipSpace();
        if (m_p < m_end && *m_p == ']') {
            ++m_p;
            return true;
        }
        while (true) {
            value.items.emplace_back();
            if (!readValue(value.items.back(), depth + 1))
                return false;
            bool closed = false;
            if (!readSeparator(']', closed))
                return false;
            if (closed)
                return true;
        }
    }

    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    bool readNumber(double &number)
    {
        const char *start = m_p;
        if (m_p < m_end && *m_p == '-')
            ++m_p;
        if (m_p == m_end || !isDigit(*m_p))
            return false;
        if (*m_p == '0')
            ++m_p;
        else
            while (m_p < m_end && isDigit(*m_p))
                ++m_p;
        if (m_p < m_end && *m_p == '.') {
            ++m_p;
            if (m_p == m_end || !isDigit(*m_p))
                return false;
            while (m_p < m_end && isDigit(*m_p))
                ++m_p;
        }
        if (m_p < m_end && (*m_p == 'e' || *m_p == 'E')) {
            ++m_p;
            if (m_p < m_end && (*m_p == '+' || *m_p == '-'))
                ++m_p;
            if (m_p == m_end || !isDigit(*m_p))
                return false;
            while (m_p < m_end && isDigit(*m_p))
                ++m_p;
        }
        bool ok = false;
        number = QByteArrayView(start, m_p - start).toDouble(&ok);
        return ok;
    }

    static int hexValue(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    bool readHex4(char32_t &unit)
    {
        if (m_end - m_p < 4)
            return false;
        unit = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = hexValue(*m_p++);
            if (digit < 0)
                return false;
            unit = unit * 16 + char32_t(digit);
        }
        return true;
    }

    static void appendUtf8(QByteArray &out, char32_t c)
    {
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xc0 | (c >> 6));
            out += char(0x80 | (c & 0x3f));
        } else if (c < 0x10000) {
            out += char(0xe0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3f));
            out += char(0x80 | (c & 0x3f));
        } else {
            out += char(0xf0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3f));
            out += char(0x80 | ((c >> 6) & 0x3f));
            out += char(0x80 | (c & 0x3f));
        }
    }

    bool readEscape(QByteArray &out)
    {
        if (m_p == m_end)
            return false;
        const char c = *m_p++;
        switch (c) {
        case '"':
        case '\\':
        case '/':
            out += c;
            return true;
        case 'b':
            out += '\b';
            return true;
        case 'f':
            out += '\f';
            return true;
        case 'n':
            out += '\n';
            return true;
        case 'r':
            out += '\r';
            return true;
        case 't':
            out += '\t';
            return true;
        case 'u':
            break;
        default:
            return false;
        }
        char32_t unit = 0;
        if (!readHex4(unit))
            return false;
        if (unit >= 0xdc00 && unit <= 0xdfff)
            return false;
        if (unit >= 0xd800 && unit <= 0xdbff) {
            char32_t low = 0;
            if (m_end - m_p < 2 || m_p[0] != '\\' || m_p[1] != 'u')
                return false;
            m_p += 2;
            if (!readHex4(low) || low < 0xdc00 || low > 0xdfff)
                return false;
            unit = 0x10000 + ((unit - 0xd800) << 10) + (low - 0xdc00);
        }
        appendUtf8(out, unit);
        return true;
    }

    bool readString(QString &string)
    {
        ++m_p; // opening quote
        QByteArray utf8;
        const char *run = m_p;
        while (true) {
            if (m_p == m_end)
                return false;
            const unsigned char c = static_cast<unsigned char>(*m_p);
            if (c == '"' || c == '\\') {
                utf8.append(run, m_p - run);
                ++m_p;
                if (c == '"')
                    break;
                if (!readEscape(utf8))
                    return false;
                run = m_p;
                continue;
            }
            if (c < 0x20)
                return false;
            ++m_p;
        }
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        string = decoder.decode(utf8);
        return !decoder.hasError();
    }

    const char *m_p;
    const char *m_end;
};

} // namespace

const JsonValue *JsonValue::member(QStringView key) const
{
    for (auto it = members.rbegin(); it != members.rend(); ++it) {
        if (it->key == key)
            return &it->value;
    }
    return nullptr;
}

std::optional<JsonValue> JsonValue::parse(QByteArrayView bytes)
{
    return Reader(bytes).document();
}
