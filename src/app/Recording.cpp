#include "app/Recording.hpp"

#include "app/KeyNames.hpp"
#include "app/MouseInput.hpp"
#include "app/PadLines.hpp"
#include "base/SaveStore.hpp"

#include <algorithm>
#include <sstream>

namespace qel {

namespace {

const char* const FirstLine = "qel-recording 1";

// Saved data the play loaded goes in lines of this many bytes, well within the longest line.
constexpr std::size_t BytesPerLine = 1024;
const char* const HexDigits = "0123456789abcdef";

// The modifier words after a key's name, in the order they are written, and what they stand for.
struct Modifier {
    const char* word;
    bool sf::Event::KeyEvent::*held;
};
const Modifier Modifiers[] = {{"alt", &sf::Event::KeyEvent::alt},
                              {"control", &sf::Event::KeyEvent::control},
                              {"shift", &sf::Event::KeyEvent::shift},
                              {"system", &sf::Event::KeyEvent::system}};

// The word that ends the line of a press a held key repeated.
const char* const RepeatWord = "repeat";

const Modifier* modifierNamed(const std::string& word)
{
    for (const Modifier& modifier : Modifiers)
        if (word == modifier.word)
            return &modifier;
    return nullptr;
}

std::string keyWord(sf::Keyboard::Key code)
{
    const char* name = nameOfKey(code);
    return name ? name : std::to_string(static_cast<int>(code));
}

// A key's name, or its number.
std::optional<sf::Keyboard::Key> readKey(const std::string& word)
{
    if (std::optional<sf::Keyboard::Key> named = keyNamed(word))
        return named;
    std::istringstream in(word);
    int number;
    if (in >> number && in.peek() == std::char_traits<char>::eof() && number >= sf::Keyboard::Unknown &&
        number < sf::Keyboard::KeyCount)
        return static_cast<sf::Keyboard::Key>(number);
    return std::nullopt;
}

// The words of a mouse line after "mouse", by action.
const char* const MouseActionWords[] = {"press", "release", "move", "wheel"};
const char* const NoCellWord = "none";

std::string cellWords(const std::optional<CellPosition>& cell)
{
    return cell ? std::to_string(cell->column) + " " + std::to_string(cell->row) : NoCellWord;
}

// A cell as its column and row, or "none" where none may be; as far as a screen ever has cells.
std::optional<CellPosition> readCell(std::istringstream& words, bool noneAllowed, std::string& fault)
{
    constexpr int MostCells = 1000;
    std::string first;
    words >> first;
    if (noneAllowed && first == NoCellWord)
        return std::nullopt;
    std::istringstream number(first);
    CellPosition cell{};
    if (!(number >> cell.column) || number.peek() != std::char_traits<char>::eof() || !(words >> cell.row) ||
        cell.column < 0 || cell.row < 0 || cell.column >= MostCells || cell.row >= MostCells)
        fault = std::string("a cell is a column and a row, from 0") + (noneAllowed ? ", or \"none\"" : "");
    return cell;
}

std::optional<int> readButton(std::istringstream& words, std::string& fault)
{
    std::string word;
    words >> word;
    const std::optional<int> button = MouseInput::buttonNamed(word);
    if (!button)
        fault = "\"" + word + "\" is no mouse button";
    return button;
}

// Reads the facts of a recording line by line, stopping at the first fault.
class RecordingReader {
public:
    explicit RecordingReader(Recording& recording) : recording(recording) {}

    // The fault of the line, or empty.
    std::string readLine(const std::string& line)
    {
        std::istringstream words(line);
        std::string first;
        if (!(words >> first) || first[0] == '#')
            return "";
        if (first == "seed")
            return words >> recording.seed ? ending(words) : "a seed is a whole number";
        if (first == "setting")
            return readSetting(words);
        if (first == "+")
            return readBytes(words);
        if (const std::string cut = unfinishedLoad(); !cut.empty())
            return cut;
        int frame;
        std::istringstream number(first);
        if (!(number >> frame) || number.peek() != std::char_traits<char>::eof() || frame < 0)
            return "\"" + first + "\" is neither a frame number nor a known word";
        if (frame < recording.endFrame)
            return "frame " + first + " comes after frame " + std::to_string(recording.endFrame);
        recording.endFrame = frame;
        std::string what;
        words >> what;
        if (what == "press" || what == "release")
            return readKeyEvent(frame, what == "press", words);
        if (what == "text")
            return readCharacter(frame, words);
        if (what == "down" || what == "up")
            return readPoll(frame, what == "down", words);
        if (what == "focus")
            return readFocus(frame, words);
        if (what == "mouse")
            return readMouse(frame, words);
        if (what == "loaded" || what == "nothing" || what == "unreadable")
            return readLoad(frame, what, words);
        if (what == "names")
            return readListing(frame, words);
        if (what == "pad")
            return readPadWords(frame, words, recording);
        if (what == "end")
            return ending(words);
        return "\"" + what + "\" is not press, release, text, focus, mouse, down, up, loaded, nothing, unreadable,"
               " names, pad or end";
    }

    // The fault of a recording that ends inside a load's bytes, or empty.
    std::string unfinishedLoad() const
    {
        if (bytesAwaited == 0)
            return "";
        return "the bytes of \"" + recording.loads.back().name + "\" end " + std::to_string(bytesAwaited) +
               " bytes short";
    }

private:
    static std::string ending(std::istringstream& words)
    {
        std::string more;
        return words >> more ? "\"" + more + "\" was not expected" : "";
    }

    std::string readSetting(std::istringstream& words)
    {
        std::string name, value;
        if (!(words >> name))
            return "a setting needs a name";
        std::getline(words >> std::ws, value);
        recording.settings.emplace_back(name, value);
        return "";
    }

    std::string readKeyEvent(int frame, bool pressed, std::istringstream& words)
    {
        sf::Event event;
        event.type = pressed ? sf::Event::KeyPressed : sf::Event::KeyReleased;
        event.key = {};
        std::string word;
        words >> word;
        const std::optional<sf::Keyboard::Key> key = readKey(word);
        if (!key)
            return "\"" + word + "\" is no key";
        event.key.code = *key;
        bool repeated = false;
        while (words >> word) {
            if (pressed && word == RepeatWord) {
                repeated = true;
            } else if (const Modifier* modifier = modifierNamed(word)) {
                event.key.*modifier->held = true;
            } else {
                return "\"" + word + "\" is not " +
                       (pressed ? "alt, control, shift, system or repeat" : "alt, control, shift or system");
            }
        }
        recording.events.push_back({frame, event, repeated});
        return "";
    }

    std::string readCharacter(int frame, std::istringstream& words)
    {
        sf::Event event;
        event.type = sf::Event::TextEntered;
        if (!(words >> event.text.unicode) || event.text.unicode > 0x10FFFF)
            return "a character is given by its Unicode number";
        recording.events.push_back({frame, event});
        return ending(words);
    }

    std::string readFocus(int frame, std::istringstream& words)
    {
        std::string word;
        words >> word;
        if (word != "gained" && word != "lost")
            return "focus is \"gained\" or \"lost\", not \"" + word + "\"";
        sf::Event event;
        event.type = word == "gained" ? sf::Event::GainedFocus : sf::Event::LostFocus;
        recording.events.push_back({frame, event});
        return ending(words);
    }

    std::string readMouse(int frame, std::istringstream& words)
    {
        std::string what, fault;
        words >> what;
        if (what == "at") {
            const std::optional<CellPosition> cell = readCell(words, true, fault);
            recording.pointerPolls.push_back({frame, cell});
        } else if (what == "down" || what == "up") {
            const std::optional<int> button = readButton(words, fault);
            recording.buttonPolls.push_back({frame, button.value_or(0), what == "down"});
        } else if (const auto action = std::find(std::begin(MouseActionWords), std::end(MouseActionWords), what);
                   action != std::end(MouseActionWords)) {
            MouseFact fact{static_cast<MouseAction>(action - std::begin(MouseActionWords))};
            fact.cell = readCell(words, fact.action == MouseAction::Move, fault);
            if (fault.empty() && (fact.action == MouseAction::Press || fact.action == MouseAction::Release))
                fact.button = readButton(words, fault).value_or(0);
            else if (fault.empty() && fact.action == MouseAction::Wheel && !(words >> fact.button))
                fault = "a wheel turns by a whole number of steps";
            recording.events.push_back({frame, sf::Event{}, false, fact});
        } else {
            return "\"" + what + "\" is not a mouse press, release, move, wheel, at, down or up";
        }
        return fault.empty() ? ending(words) : fault;
    }

    std::string readPoll(int frame, bool down, std::istringstream& words)
    {
        std::string word;
        words >> word;
        const std::optional<sf::Keyboard::Key> key = readKey(word);
        if (!key)
            return "\"" + word + "\" is no key";
        recording.polls.push_back({frame, *key, down});
        return ending(words);
    }

    std::string readLoad(int frame, const std::string& what, std::istringstream& words)
    {
        Recording::Load load{frame, "", std::nullopt, ""};
        if (!(words >> load.name) || !SaveStore::isName(load.name))
            return "\"" + load.name + "\" is no name of saved data";
        if (what == "unreadable") {
            std::getline(words >> std::ws, load.fault);
        } else if (what == "loaded") {
            if (!(words >> bytesAwaited) || bytesAwaited > SaveStore::MostFileBytes)
                return "the size of saved data is a whole number up to 16 MB";
            load.bytes.emplace();
        }
        recording.loads.push_back(std::move(load));
        return ending(words);
    }

    std::string readBytes(std::istringstream& words)
    {
        std::string hex;
        words >> hex;
        if (hex.size() % 2 != 0 || hex.size() / 2 > bytesAwaited || hex.find_first_not_of(HexDigits) != std::string::npos)
            return bytesAwaited == 0 ? "bytes follow no load of saved data" : "\"" + hex + "\" is not the hex bytes awaited";
        std::string& bytes = *recording.loads.back().bytes;
        for (std::size_t i = 0; i < hex.size(); i += 2)
            bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
        bytesAwaited -= hex.size() / 2;
        return ending(words);
    }

    std::string readListing(int frame, std::istringstream& words)
    {
        Recording::Listing listing{frame, {}};
        for (std::string name; words >> name; listing.names.push_back(name))
            if (!SaveStore::isName(name))
                return "\"" + name + "\" is no name of saved data";
        recording.listings.push_back(std::move(listing));
        return "";
    }

    Recording& recording;

public:
    std::size_t bytesAwaited = 0;
};

} // namespace

std::optional<Recording> Recording::read(TextFileReader& lines, std::string& error)
{
    std::string line;
    if (!lines.nextLine(line) || line != FirstLine) {
        error = lines.fault().empty() ? "it does not start with \"" + std::string(FirstLine) + "\"" : lines.fault();
        return std::nullopt;
    }
    Recording recording;
    RecordingReader reader(recording);
    while (lines.nextLine(line)) {
        error = reader.readLine(line);
        if (!error.empty()) {
            error = "line " + std::to_string(lines.lineNumber()) + ": " + error;
            return std::nullopt;
        }
    }
    error = lines.fault();
    if (error.empty() && reader.bytesAwaited > 0)
        error = "the recording ends inside the bytes of \"" + recording.loads.back().name + "\"";
    if (!error.empty())
        return std::nullopt;
    return recording;
}

std::string Recording::header(unsigned seed, const std::vector<std::pair<std::string, std::string>>& settings)
{
    std::string text = std::string(FirstLine) + "\nseed " + std::to_string(seed) + "\n";
    for (const auto& [name, value] : settings)
        text += "setting " + name + " " + value + "\n";
    return text;
}

std::string Recording::eventLine(int frame, const sf::Event& event, bool repeated)
{
    const std::string prefix = std::to_string(frame);
    if (isPadEvent(event))
        return prefix + " pad " + padEventWords(event) + "\n";
    if (event.type == sf::Event::GainedFocus || event.type == sf::Event::LostFocus)
        return prefix + (event.type == sf::Event::GainedFocus ? " focus gained\n" : " focus lost\n");
    if (event.type == sf::Event::TextEntered)
        return prefix + " text " + std::to_string(event.text.unicode) + "\n";
    if (event.type != sf::Event::KeyPressed && event.type != sf::Event::KeyReleased)
        return "";
    std::string line = prefix + (event.type == sf::Event::KeyPressed ? " press " : " release ") + keyWord(event.key.code);
    for (const Modifier& modifier : Modifiers)
        if (event.key.*modifier.held)
            line += std::string(" ") + modifier.word;
    if (repeated && event.type == sf::Event::KeyPressed)
        line += std::string(" ") + RepeatWord;
    return line + "\n";
}

std::string Recording::pollLine(const Poll& poll)
{
    return std::to_string(poll.frame) + (poll.down ? " down " : " up ") + keyWord(poll.key) + "\n";
}

std::string Recording::mouseLine(int frame, const MouseFact& fact)
{
    std::string line = std::to_string(frame) + " mouse " + MouseActionWords[static_cast<int>(fact.action)] + " " +
                       cellWords(fact.cell);
    if (fact.action == MouseAction::Press || fact.action == MouseAction::Release)
        line += std::string(" ") + MouseInput::ButtonNames[fact.button];
    else if (fact.action == MouseAction::Wheel)
        line += " " + std::to_string(fact.button);
    return line + "\n";
}

std::string Recording::pointerPollLine(const PointerPoll& poll)
{
    return std::to_string(poll.frame) + " mouse at " + cellWords(poll.cell) + "\n";
}

std::string Recording::buttonPollLine(const ButtonPoll& poll)
{
    return std::to_string(poll.frame) + " mouse " + (poll.down ? "down " : "up ") +
           MouseInput::ButtonNames[poll.button] + "\n";
}

std::string Recording::padPollLine(const PadPoll& poll)
{
    return std::to_string(poll.frame) + " pad " + padPollWords(poll) + "\n";
}

std::string Recording::loadLines(const Load& load)
{
    const std::string prefix = std::to_string(load.frame);
    if (!load.bytes)
        return prefix + (load.fault.empty() ? " nothing " + load.name : " unreadable " + load.name + " " + load.fault) + "\n";
    const std::string& bytes = *load.bytes;
    std::string text = prefix + " loaded " + load.name + " " + std::to_string(bytes.size()) + "\n";
    for (std::size_t start = 0; start < bytes.size(); start += BytesPerLine) {
        text += "+ ";
        for (std::size_t i = start; i < std::min(bytes.size(), start + BytesPerLine); ++i) {
            text += HexDigits[static_cast<unsigned char>(bytes[i]) >> 4];
            text += HexDigits[static_cast<unsigned char>(bytes[i]) & 15];
        }
        text += "\n";
    }
    return text;
}

std::string Recording::listingLine(const Listing& listing)
{
    std::string line = std::to_string(listing.frame) + " names";
    for (const std::string& name : listing.names)
        line += " " + name;
    return line + "\n";
}

std::string Recording::endLine(int frame)
{
    return std::to_string(frame) + " end\n";
}

} // namespace qel
