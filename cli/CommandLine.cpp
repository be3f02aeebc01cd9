#include "cli/CommandLine.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string_view>

#include "core/verify/ImageComparison.h"

namespace {

struct VerbSpec {
  Verb verb;
  const char* name;
  // The options it takes, each bit one Option.
  unsigned options;
  // How many plain arguments it takes: the drive first when there is one
  // more than the least.
  std::size_t leastArguments;
  std::size_t mostArguments;
};

enum Option : unsigned {
  kJson = 1,
  kSurface = 2,
  kFiles = 4,
  kMapFile = 8,
  kSession = 16,
  kSectorsPerRead = 32,
  kAttempts = 64,
  kSkipAfterError = 128,
  kFirst = 256,
  kLast = 512,
  kSpeed = 1024,
  kRetryFrom = 2048,
  kSpeedCsv = 4096,
  kImage = 8192,  // may be given more than once
  kScanPasses = 16384,
  kHtml = 32768,
  kRetries = 65536,
  kRetrySpeed = 131072,
  kNoTrim = 262144,
  kNoScrape = 524288,
  kNoHistory = 1048576,
  kAll = 2097152,
  kForget = 4194304,
  kOverwrite = 8388608,
  // The options that take a value (and --json for report, which writes its
  // JSON to a file), and those that only the surface scan uses.
  kTakesValue = kMapFile | kSession | kSectorsPerRead | kAttempts | kSkipAfterError | kFirst |
                kLast | kSpeed | kRetryFrom | kSpeedCsv | kImage | kScanPasses | kHtml | kRetries |
                kRetrySpeed | kForget,
  kSurfaceOnly = kMapFile | kSession | kSectorsPerRead | kAttempts | kSkipAfterError | kFirst |
                 kLast | kSpeed | kRetryFrom | kSpeedCsv,
};

constexpr VerbSpec kVerbs[] = {
    {Verb::Help, "help", 0, 0, 1},
    {Verb::Version, "version", 0, 0, 0},
    {Verb::Devices, "devices", kJson | kImage, 0, 0},
    {Verb::Info, "info", kJson | kImage, 0, 1},
    {Verb::Media, "media", kJson | kImage, 0, 1},
    {Verb::Scan, "scan", kSurface | kFiles | kJson | kSurfaceOnly | kSession | kImage | kNoHistory,
     0, 1},
    {Verb::Dump, "dump", kSession | kImage, 1, 2},
    {Verb::Save, "save", kSession | kImage, 2, 3},
    {Verb::Files, "files", kJson | kSession | kImage, 0, 1},
    {Verb::WhoHas, "whohas", kSession | kImage, 1, 2},
    {Verb::Report, "report", kScanPasses | kHtml | kJson | kImage | kNoHistory, 0, 1},
    {Verb::Copy, "copy",
     kMapFile | kSession | kSectorsPerRead | kRetries | kSpeed | kRetrySpeed | kNoTrim | kNoScrape |
         kJson | kImage,
     1, 2},
    {Verb::Compare, "compare",
     kJson | kImage | kMapFile | kSectorsPerRead | kAttempts | kSpeed | kSpeedCsv | kNoHistory, 1,
     2},
    {Verb::History, "history", kJson | kImage | kAll | kForget, 0, 1},
    {Verb::Extract, "extract", kJson | kSession | kImage | kOverwrite, 1, 2},
};

struct OptionName {
  const char* name;
  Option option;
};

constexpr OptionName kOptionNames[] = {
    {"--json", kJson},
    {"--surface", kSurface},
    {"--files", kFiles},
    {"--mapfile", kMapFile},
    {"--session", kSession},
    {"--sectors-per-read", kSectorsPerRead},
    {"--attempts", kAttempts},
    {"--skip-after-error", kSkipAfterError},
    {"--first", kFirst},
    {"--last", kLast},
    {"--speed", kSpeed},
    {"--retry-from", kRetryFrom},
    {"--speed-csv", kSpeedCsv},
    {"--image", kImage},
    {"--scan", kScanPasses},
    {"--html", kHtml},
    {"--retries", kRetries},
    {"--retry-speed", kRetrySpeed},
    {"--no-trim", kNoTrim},
    {"--no-scrape", kNoScrape},
    {"--no-history", kNoHistory},
    {"--all", kAll},
    {"--forget", kForget},
    {"--overwrite", kOverwrite},
};

// The name an option is typed as.
std::string NameOf(unsigned option) {
  for (const OptionName& named : kOptionNames)
    if (named.option == option) return named.name;
  return {};
}

// The option of that name; 0 for none.
unsigned OptionNamed(std::string_view name) {
  for (const OptionName& option : kOptionNames)
    if (name == option.name) return option.option;
  return 0;
}

const VerbSpec* FindVerb(std::string_view name) {
  for (const VerbSpec& spec : kVerbs)
    if (name == spec.name) return &spec;
  return nullptr;
}

// A drive letter, "D" or "D:", either case.
bool ParseDrive(std::string_view text, char16_t& out) {
  if (text.size() == 2 && text[1] == ':') text.remove_suffix(1);
  if (text.size() != 1) return false;
  const char c = text[0];
  if (c >= 'a' && c <= 'z')
    out = static_cast<char16_t>(c - 'a' + 'A');
  else if (c >= 'A' && c <= 'Z')
    out = static_cast<char16_t>(c);
  else
    return false;
  return true;
}

// A number of decimal digits only, from least to most.
template <typename Number>
bool ParseNumber(std::string_view text, Number least, Number& out,
                 Number most = std::numeric_limits<Number>::max()) {
  if (text.empty() ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  Number value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < least || value > most)
    return false;
  out = value;
  return true;
}

// "-x", "--name"; a negative number is a (bad) sector or session, and "-"
// alone a file name (standard output).
bool LooksLikeOption(std::string_view arg) {
  return arg.size() >= 2 && arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9');
}

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

// What a sector number may be, for messages.
const std::string kSectorRange = "(must be 0 to " + std::to_string(kLargestSectorNumber) + ")";

// A sector number as the engine's operations take it: one beyond them is
// beyond every disc, and stays so.
std::int32_t EngineSector(std::int64_t sector) {
  return static_cast<std::int32_t>(
      std::min<std::int64_t>(sector, std::numeric_limits<std::int32_t>::max()));
}

class Parser {
 public:
  Parser(const std::vector<std::string>& arguments, CommandLine& command, std::string& error)
      : args(arguments), out(command), problem(error) {}

  bool Run() {
    std::size_t next = 0;
    // Options every command takes may come first: "--image disc.iso media".
    while (next < args.size() && LooksLikeOption(args[next])) {
      const std::string_view arg = args[next];
      if (arg == "-h" || arg == "--help") {
        out.verb = Verb::Help;
        return Rest(next + 1, kVerbs[0]);
      }
      if (arg == "-v" || arg == "--version") {
        out.verb = Verb::Version;
        return Rest(next + 1, kVerbs[1]);
      }
      if (arg != "--image" && !arg.starts_with("--image=")) return MisplacedOption(arg, next);
      std::string_view value;
      if (arg == "--image") {
        if (++next == args.size() || LooksLikeOption(args[next]))
          return Fail("--image needs a value");
        value = args[next];
      } else {
        value = arg.substr(std::string_view("--image=").size());
      }
      if (!Value(Verb::None, kImage, value)) return false;
      ++next;
    }
    if (next == args.size())
      return Fail("no command given (lumeter-cli --help lists the commands)");
    const std::string& first = args[next++];
    const VerbSpec* spec = FindVerb(first);
    if (spec == nullptr)
      return Fail("unknown command " + Quoted(first) + " (lumeter-cli --help lists the commands)");
    out.verb = spec->verb;
    return Rest(next, *spec);
  }

 private:
  bool Fail(std::string text) {
    problem = std::move(text);
    return false;
  }

  // An option before the command that only commands take: where it goes
  // when the command that follows takes it, else which help lists options.
  bool MisplacedOption(std::string_view arg, std::size_t at) {
    const std::string_view name = arg.substr(0, arg.find('='));
    const VerbSpec* verb = nullptr;
    for (std::size_t i = at + 1; i < args.size() && verb == nullptr; ++i) verb = FindVerb(args[i]);
    if (verb != nullptr && (verb->options & OptionNamed(name)) != 0)
      return Fail(std::string(name) + " goes after the command: lumeter-cli " + verb->name + " " +
                  std::string(name) + " ...");
    return Fail("unknown option " + Quoted(arg) + " (" +
                (verb != nullptr ? "lumeter-cli " + std::string(verb->name) + " --help lists its"
                                 : std::string("lumeter-cli COMMAND --help lists a command's")) +
                " options)");
  }

  // The options and plain arguments after the command's name.
  bool Rest(std::size_t next, const VerbSpec& spec) {
    const std::string verb = spec.name;
    std::vector<std::string_view> plain;
    bool optionsEnd = false;
    while (next < args.size()) {
      const std::string_view arg = args[next++];
      if (optionsEnd || !LooksLikeOption(arg)) {
        plain.push_back(arg);
        continue;
      }
      if (arg == "--") {
        optionsEnd = true;
        continue;
      }
      if (arg == "-h" || arg == "--help") {
        out.help = true;
        continue;
      }
      // --name=value or --name value
      std::string_view name = arg;
      std::optional<std::string_view> value;
      if (const std::size_t equals = arg.find('='); equals != std::string_view::npos) {
        name = arg.substr(0, equals);
        value = arg.substr(equals + 1);
      }
      const unsigned option = OptionNamed(name);
      if (option == 0 || (spec.options & option) == 0)
        return Fail("unknown option " + Quoted(arg) + " for " + verb + " (lumeter-cli " + verb +
                    " --help lists its options)");
      if ((seen & option & ~kImage) != 0) return Fail(std::string(name) + " given twice");
      seen |= option;
      const bool reportFile = option == kJson && spec.verb == Verb::Report;
      if ((option & kTakesValue) == 0 && !reportFile) {
        if (value) return Fail(std::string(name) + " takes no value");
        continue;
      }
      if (!value) {
        // An option is never taken for a value; --name=value gives any.
        if (next == args.size() || LooksLikeOption(args[next]))
          return Fail(std::string(name) + " needs a value");
        value = args[next++];
      }
      if (!Value(spec.verb, static_cast<Option>(option), *value)) return false;
    }
    if (spec.verb != Verb::Report) {
      out.json = (seen & kJson) != 0;
      out.surface = (seen & kSurface) != 0;
      out.files = (seen & kFiles) != 0;
    }
    out.copyOptions.trim = (seen & kNoTrim) == 0;
    out.copyOptions.scrape = (seen & kNoScrape) == 0;
    out.noHistory = (seen & kNoHistory) != 0;
    out.all = (seen & kAll) != 0;
    out.overwrite = (seen & kOverwrite) != 0;
    if (out.help) return true;
    if (spec.verb == Verb::Report && out.outputFile.empty())
      return Fail("report needs --html FILE or --json FILE");
    if (spec.verb == Verb::Compare) {
      out.surface = true;
      if ((seen & kSectorsPerRead) == 0) out.scanOptions.sectorsPerRead = kCompareSectorsPerRead;
    }
    return Plain(spec, plain);
  }

  bool Plain(const VerbSpec& spec, const std::vector<std::string_view>& plain) {
    const std::string verb = spec.name;
    if (spec.verb == Verb::Help) {
      if (plain.size() > spec.mostArguments)
        return Fail("too many arguments for help: " + Quoted(plain[spec.mostArguments]));
      if (plain.empty()) return true;
      const VerbSpec* about = FindVerb(plain[0]);
      if (about == nullptr) return Fail("unknown command " + Quoted(plain[0]));
      out.verb = about->verb;
      out.help = true;
      return true;
    }
    if (plain.size() > spec.mostArguments)
      return Fail("too many arguments for " + verb + ": " + Quoted(plain[spec.mostArguments]));
    // "save D 16": the drive given, the file forgotten, rather than a bad
    // sector number 'D'.
    char16_t letter = 0;
    const bool driveFirst = !plain.empty() && ParseDrive(plain[0], letter);
    if (plain.size() < spec.leastArguments ||
        (driveFirst && plain.size() == spec.leastArguments && plain.size() < spec.mostArguments))
      return Fail(verb + " needs " +
                  (spec.verb == Verb::Save                                 ? "a SECTOR and a FILE"
                   : spec.verb == Verb::Copy || spec.verb == Verb::Compare ? "an IMAGE"
                   : spec.verb == Verb::Extract                            ? "a FOLDER"
                                                                           : "a SECTOR") +
                  " (lumeter-cli " + verb + " --help)");
    std::size_t next = 0;
    if (plain.size() > spec.leastArguments && !ParseDrive(plain[next++], out.drive))
      return Fail(Quoted(plain[0]) + " is not a drive letter (D or D:)");
    if (spec.verb == Verb::Dump || spec.verb == Verb::Save || spec.verb == Verb::WhoHas) {
      if (!ParseNumber<std::int64_t>(plain[next], 0, out.sector, kLargestSectorNumber))
        return Fail("bad sector number " + Quoted(plain[next]) + " " + kSectorRange);
      ++next;
    }
    if (spec.verb == Verb::Save || spec.verb == Verb::Copy) {
      if (plain[next].empty()) return Fail(verb + " needs a FILE name");
      // Standard output takes no image that is continued and flushed.
      if (spec.verb == Verb::Copy && plain[next] == "-")
        return Fail("copy needs an IMAGE file, not '-'");
      out.outputFile = plain[next];
    }
    if (spec.verb == Verb::Extract) {
      if (plain[next].empty()) return Fail("extract needs a FOLDER name");
      out.outputFile = plain[next];
    }
    if (spec.verb == Verb::Compare) {
      if (plain[next].empty()) return Fail("compare needs an IMAGE file name");
      out.compareImage = plain[next];
    }
    if (spec.verb == Verb::History && (out.all || out.forget) && !plain.empty())
      return Fail(std::string(out.all ? "--all" : "--forget") + " takes no DRIVE");
    if (out.all && out.forget) return Fail("history takes one of --all and --forget");
    if (out.files && !out.surface)
      for (const OptionName& named : kOptionNames)
        if ((seen & named.option & kSurfaceOnly) != 0)
          return Fail(std::string(named.name) + " needs the surface scan (add --surface)");
    return true;
  }

  // Takes the value of an option of verb.
  bool Value(Verb verb, Option option, std::string_view value) {
    const std::string name = NameOf(option);
    ScanOptions& scan = out.scanOptions;
    CopyOptions& copy = out.copyOptions;
    if (verb == Verb::Copy) {
      switch (option) {
        case kSession:
          if (value != "last" && value != "all")
            return Fail("bad --session " + Quoted(value) + " (last or all)");
          out.allSessions = value == "all";
          return true;
        case kSectorsPerRead:
          if (!ParseNumber(value, 1, copy.sectorsPerRead, CopyOptions::kMaxSectorsPerRead))
            return Fail("bad " + name + " " + Quoted(value) + " (1 to 1024)");
          return true;
        case kRetries:
          if (!ParseNumber(value, 0, copy.retries, CopyOptions::kMaxRetries))
            return Fail("bad " + name + " " + Quoted(value) + " (0 to 100)");
          return true;
        case kSpeed:
        case kRetrySpeed: {
          int& speed = option == kSpeed ? copy.speed : copy.retrySpeed;
          if (value == "max") {
            speed = 0;
            return true;
          }
          if (!ParseNumber(value, 1, speed, 100))
            return Fail("bad " + name + " " + Quoted(value) +
                        " (max, or 1 to 100 times the base speed)");
          return true;
        }
        default:
          break;
      }
    }
    switch (option) {
      case kMapFile:
      case kRetryFrom:
      case kSpeedCsv: {
        if (value.empty()) return Fail(name + " needs a file name");
        // Standard output holds the progress or the summary already, and
        // standard input is no mapfile to keep.
        if (value == "-") return Fail(name + " needs a file name, not '-'");
        (option == kMapFile     ? out.mapFile
         : option == kRetryFrom ? out.retryFrom
                                : out.speedCsv) = value;
        scan.retry = scan.retry || option == kRetryFrom;
        return true;
      }
      case kSession: {
        // A scan reads one session or the whole disc.
        if (out.verb == Verb::Scan && value == "all") {
          scan.session = kWholeDisc;
          return true;
        }
        std::int32_t session = 0;
        if (!ParseNumber<std::int32_t>(value, 1, session))
          return Fail("bad session number " + Quoted(value) +
                      (out.verb == Verb::Scan ? " (1 or more, or all)" : " (1 or more)"));
        out.session = session;
        scan.session = session;
        return true;
      }
      case kSectorsPerRead:
        if (!ParseNumber<int>(value, 1, scan.sectorsPerRead, 64) ||
            std::count(ScanOptions::kSectorsPerReadChoices.begin(),
                       ScanOptions::kSectorsPerReadChoices.end(), scan.sectorsPerRead) == 0)
          return Fail("bad " + name + " " + Quoted(value) + " (1, 2, 4, 8, 16, 32 or 64)");
        return true;
      case kAttempts:
        if (!ParseNumber<int>(value, ScanOptions::kMinAttempts, scan.attempts,
                              ScanOptions::kMaxAttempts))
          return Fail("bad " + name + " " + Quoted(value) + " (1 to 20)");
        return true;
      case kSkipAfterError:
        if (!ParseNumber<int>(value, 0, scan.skipAfterError, ScanOptions::kMaxSkipAfterError))
          return Fail("bad " + name + " " + Quoted(value) + " (0 to 1000000 sectors)");
        return true;
      case kFirst:
      case kLast: {
        std::int64_t& sector = option == kFirst ? out.firstSector : out.lastSector;
        if (!ParseNumber<std::int64_t>(value, 0, sector, kLargestSectorNumber))
          return Fail("bad " + name + " sector " + Quoted(value) + " " + kSectorRange);
        (option == kFirst ? scan.firstSector : scan.lastSector) = EngineSector(sector);
        if ((seen & (kFirst | kLast)) == (kFirst | kLast) && out.lastSector < out.firstSector)
          return Fail("--last sector is before --first sector");
        return true;
      }
      case kImage:
        if (value.empty()) return Fail("--image needs a file name");
        out.images.emplace_back(value);
        return true;
      case kScanPasses:
        if (value != "surface" && value != "files" && value != "both")
          return Fail("bad --scan " + Quoted(value) + " (surface, files or both)");
        out.surface = value != "files";
        out.files = value != "surface";
        return true;
      case kHtml:
      case kJson:  // report's: the file its JSON goes to
        if (value.empty()) return Fail(name + " needs a file name");
        if ((seen & (kHtml | kJson)) == (kHtml | kJson))
          return Fail("report takes one of --html and --json");
        out.outputFile = value;
        out.json = option == kJson;
        return true;
      case kForget: {
        std::int32_t id = 0;
        if (!ParseNumber(value, 1, id))
          return Fail("bad scan id " + Quoted(value) + " (1 or more)");
        out.forget = id;
        return true;
      }
      case kSpeed:
        if (value == "max") {
          scan.speed = 0;
          return true;
        }
        if (!ParseNumber<int>(value, 1, scan.speed, 100))
          return Fail("bad " + name + " " + Quoted(value) +
                      " (max, or 1 to 100 times the base speed)");
        return true;
      default:
        return true;
    }
  }

  const std::vector<std::string>& args;
  CommandLine& out;
  std::string& problem;
  unsigned seen = 0;
};

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error) {
  out = CommandLine{};
  error.clear();
  return Parser(args, out, error).Run();
}

std::string VerbName(Verb verb) {
  for (const VerbSpec& spec : kVerbs)
    if (spec.verb == verb) return spec.name;
  return {};
}
