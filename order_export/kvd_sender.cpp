// KVD: the order sender that writes an order's positions as KVD.csv.
#include <optional>
#include <string>

#include "class_export.h"
#include "error.h"
#include "functions.h"
#include "order_text.h"
#include "services.h"
#include "text_file.h"

namespace kvdlink {
namespace {

using apprt::MethodKind;
using apprt::Symbol;
using apprt::VarKind;
using apprt::Visibility;

// The directory and the file name are joined with the host file system's
// separator.
#if defined(_WIN32)
constexpr const char* kOrderFileName = "\\KVD.csv";
// The host's texts are in its ANSI code page, Windows-1252.
constexpr const char* kControlCharacterNote = " enth\xE4lt einen Tabulator oder Zeilenumbruch)";
#else
constexpr const char* kOrderFileName = "/KVD.csv";
constexpr const char* kControlCharacterNote = " enthält einen Tabulator oder Zeilenumbruch)";
#endif
constexpr const char* kSuccess = "Die Bestelldaten befinden sich in der Datei ";
constexpr const char* kFailure = "Fehler beim Erstellen der Bestelldatei: ";
constexpr const char* kNoPositions = "Keine Bestellpositionen gefunden";
constexpr const char* kPurpose = "Bestellung als CSVdatei erzeugen (KVD.csv)";

// Names used on every send, interned on first use.
struct Names {
    Symbol order = Symbol::intern("order"), separator = Symbol::intern("separator"),
           lineEnd = Symbol::intern("lineEnd"), orderFile = Symbol::intern("OrderFile"),
           resultMessage = Symbol::intern("ResultMessage"), init = Symbol::intern("init"),
           setOrderfile = Symbol::intern("setOrderfile"),
           getOrderfile = Symbol::intern("getOrderfile"),
           setSeparator = Symbol::intern("setSeparator"),
           getSeparator = Symbol::intern("getSeparator"),
           setLineEnd = Symbol::intern("setLineEnd"), getLineEnd = Symbol::intern("getLineEnd"),
           setResultMessage = Symbol::intern("setResultMessage"),
           text2File = Symbol::intern("text2File"), clipboard = Symbol::intern("Clipboard"),
           veloxport = Symbol::intern("veloxport"), lines = Symbol::intern("lines"),
           orderPos = Symbol::intern("orderPos"), quantity = Symbol::intern("quantity"),
           partNo = Symbol::intern("partNo"), initClass = Symbol::intern("initClass");
};
const Names& names() {
    static const Names n;
    return n;
}

Value text2File(const Value&, Args a) { return Value(common::text2File(a[0], a[1])); }

// The hidden accessors: a setter stores and answers nil, a getter answers.
template <Symbol Names::*member>
Value setter(const Value& self, Args a) {
    self.assign(names().*member, a[0]);
    return Value();
}
template <Symbol Names::*member>
Value getter(const Value& self, Args) {
    return self.member(names().*member);
}

Value clipboard(const Value&, Args a) {
    const Value object = apprt::call("SYSCLIPBOARD").send("New");
    const Value text = a[0].isNil() ? Value("") : a[0];
    for (const char* step : {"create", "open", "clear"}) object.send(step);
    object.send("setBuffer", {text});
    object.send("close");
    object.send("destroy");
    return Value();
}

Value init(const Value& self, Args a) {
    const Names& n = names();
    self.assign(n.order, a[0]);
    self.send(n.setSeparator, {apprt::chr(9)});
    self.send(n.setLineEnd, {apprt::chr(13) + apprt::chr(10)});
    self.send(n.setResultMessage, {Value("")});
    return self;
}

// i <= lines as the runtime compares them, the common integer case without
// building a value for i.
bool withinLines(std::int64_t i, const Value& lines) {
    return lines.isInteger() ? i <= lines.integer() : Value(i) <= lines;
}

// After the first positions, room for the whole file at their average size.
// Growing by doubling instead would leave every smaller buffer behind in the
// heap: the peak memory of a large order would be three times its file. Room
// reserved but not written costs no memory.
constexpr std::int64_t kSampledPositions = 64;

void reserveForTheRest(OrderText& text, std::int64_t done, const Value& lines, const Value& positions) {
    if (!lines.isNumber() || !positions.isArray()) return;
    // Positions past the array's end raise before they are written.
    const double count = std::min(lines.number(), static_cast<double>(positions.array().size()));
    const double perPosition = static_cast<double>(text.size()) / static_cast<double>(done);
    const double wanted = count * perPosition * 1.25 + 64;
    if (wanted > static_cast<double>(text.capacity()) && wanted < static_cast<double>(text.maxSize()))
        text.reserve(static_cast<std::size_t>(wanted));
}

constexpr std::int64_t kPrefetchAhead = 16;

// The first of the `written` positions whose quantity or part number holds a
// tab or a line break, which would break the file's columns or lines. Such a
// byte can only add to the marks that the separators and line ends make, so
// a count over the whole text settles the common case; only when it is off
// are the positions read again, to name the first.
std::optional<std::int64_t> firstBrokenPosition(const OrderText& text, std::int64_t written,
                                                const Value& order, std::string_view separator,
                                                std::string_view lineEnd) {
    const Marks perLine = [&] {
        const Marks a = marksIn(separator), b = marksIn(lineEnd);
        return Marks{a.tabs + b.tabs, a.crs + b.crs, a.lfs + b.lfs};
    }();
    const auto lines = static_cast<std::size_t>(written);
    if (marksIn(text.view()) == Marks{perLine.tabs * lines, perLine.crs * lines, perLine.lfs * lines})
        return std::nullopt;
    const Names& n = names();
    for (std::int64_t i = 1; i <= written; ++i) {
        const Value& position = order.member(n.orderPos).at(i);
        std::string quantity, partNo;
        apprt::appendText(quantity, position.member(n.quantity));
        apprt::appendTo(partNo, position.member(n.partNo));
        if (marksIn(quantity) != Marks{} || marksIn(partNo) != Marks{}) return i;
    }
    return std::nullopt;
}

Value send(const Value& self, Args a) {
    const Names& n = names();
    const Value& order = a[0];
    const Value& param = a[1];
    Value result;
    self.send(n.init, {order});
    self.send(n.setOrderfile, {param.member(n.veloxport) + Value(kOrderFileName)});

    if (order.member(n.lines) > Value(0)) {
        OrderText text;
        // Nothing in the loop runs code that could change the instance's own
        // separator or line end: read them once.
        const Value& separatorText = self.member(n.separator);
        const Value& lineEndText = self.member(n.lineEnd);
        std::int64_t written = 0;
        for (std::int64_t i = 1; withinLines(i, order.member(n.lines)); ++i) {
            const Value& positions = order.member(n.orderPos);
            // Large orders outgrow the cache: ask for a position a few passes
            // before it is read.
            if (positions.isArray() && i + kPrefetchAhead <= static_cast<std::int64_t>(positions.array().size()))
                positions.at(i + kPrefetchAhead).prefetch();
            const Value& position = positions.at(i);
            text.appendText(position.member(n.quantity));
            text.append(separatorText);
            text.append(position.member(n.partNo));
            text.append(lineEndText);
            written = i;
            if (i == kSampledPositions) reserveForTheRest(text, i, order.member(n.lines), positions);
        }
        // The first position whose quantity or part number would break the
        // file's columns or lines; the file is then not written at all.
        const std::optional<std::int64_t> broken =
            written == 0 ? std::nullopt
                         : firstBrokenPosition(text, written, order, separatorText.text(), lineEndText.text());
        const Value path = self.send(n.getOrderfile);
        if (broken) {
            result = Value(false);
            self.send(n.setResultMessage,
                      {Value(kFailure) + path +
                       Value(" (Position " + std::to_string(*broken) + kControlCharacterNote)});
        } else {
            result = self.send(n.text2File, {path, Value(text.take())});
            if (result == Value(true)) {
                self.send(n.clipboard, {path});
                self.send(n.setResultMessage, {Value(kSuccess) + self.send(n.getOrderfile)});
            } else {
                self.send(n.setResultMessage, {Value(kFailure) + self.send(n.getOrderfile)});
            }
        }
    } else {
        self.send(n.setResultMessage, {Value(kNoPositions)});
    }
    return result;
}

Value getResultMessage(const Value& self, Args) { return self.member(names().resultMessage); }
Value getPurpose(const Value&, Args) { return Value(kPurpose); }
Value derivedFrom(const Value&, Args) { return Value("SendOrderInterface"); }

Value initClass(const Value& self, Args) {
    for (const auto& super : self.classObject("initClass").superclasses())
        Value(std::static_pointer_cast<apprt::Object>(super)).send(names().initClass);
    return self;
}

constexpr auto kHidden = Visibility::Hidden;
constexpr auto kExported = Visibility::Exported;
constexpr auto kInstance = MethodKind::Instance;
constexpr auto kClass = MethodKind::Class;

constexpr VarSpec kVars[] = {
    {"order", VarKind::Instance, kHidden},    {"separator", VarKind::Instance, kHidden},
    {"lineEnd", VarKind::Instance, kHidden},  {"OrderFile", VarKind::Instance, kHidden},
    {"ResultMessage", VarKind::Instance, kHidden},
};

constexpr MethodSpec kMethods[] = {
    {"text2File", kInstance, kHidden, text2File},
    {"setOrderfile", kInstance, kHidden, setter<&Names::orderFile>},
    {"getOrderfile", kInstance, kHidden, getter<&Names::orderFile>},
    {"setSeparator", kInstance, kHidden, setter<&Names::separator>},
    {"getSeparator", kInstance, kHidden, getter<&Names::separator>},
    {"setLineEnd", kInstance, kHidden, setter<&Names::lineEnd>},
    {"getLineEnd", kInstance, kHidden, getter<&Names::lineEnd>},
    {"setResultMessage", kInstance, kHidden, setter<&Names::resultMessage>},
    {"Clipboard", kInstance, kHidden, clipboard},
    {"init", kInstance, kExported, init},
    {"send", kInstance, kExported, send},
    {"getResultMessage", kInstance, kExported, getResultMessage},
    {"getPurpose", kClass, kExported, getPurpose},
    {"derivedFrom", kClass, kExported, derivedFrom},
    {"initClass", kClass, kExported, initClass},
};

constexpr ClassSpec kKvd{"KVD", [] { return SENDORDERINTERFACE(); }, 5, 0, 15, kVars, kMethods};

}  // namespace

Value KVD(Args) { return classFunction(kKvd); }

}  // namespace kvdlink
