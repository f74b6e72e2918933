// The English words and phrases of the quick-add line.

#include "quickadd/PhraseTable.h"

using namespace Qt::StringLiterals;

namespace quickadd {

const PhraseTable &englishPhrases()
{
    static const PhraseTable table = [] {
        PhraseTable t;
        t.weekdays = {{u"monday"_s, u"mon"_s},       {u"tuesday"_s, u"tue"_s, u"tues"_s},
                      {u"wednesday"_s, u"wed"_s},    {u"thursday"_s, u"thu"_s, u"thur"_s, u"thurs"_s},
                      {u"friday"_s, u"fri"_s},       {u"saturday"_s, u"sat"_s},
                      {u"sunday"_s, u"sun"_s}};
        t.months = {{u"january"_s, u"jan"_s},   {u"february"_s, u"feb"_s}, {u"march"_s, u"mar"_s},
                    {u"april"_s, u"apr"_s},     {u"may"_s},                {u"june"_s, u"jun"_s},
                    {u"july"_s, u"jul"_s},      {u"august"_s, u"aug"_s},   {u"september"_s, u"sep"_s, u"sept"_s},
                    {u"october"_s, u"oct"_s},   {u"november"_s, u"nov"_s}, {u"december"_s, u"dec"_s}};
        t.units = {{u"minute"_s, Unit::Minute}, {u"minutes"_s, Unit::Minute}, {u"min"_s, Unit::Minute},
                   {u"mins"_s, Unit::Minute},   {u"hour"_s, Unit::Hour},      {u"hours"_s, Unit::Hour},
                   {u"hr"_s, Unit::Hour},       {u"hrs"_s, Unit::Hour},       {u"day"_s, Unit::Day},
                   {u"days"_s, Unit::Day},      {u"week"_s, Unit::Week},      {u"weeks"_s, Unit::Week},
                   {u"month"_s, Unit::Month},   {u"months"_s, Unit::Month},   {u"year"_s, Unit::Year},
                   {u"years"_s, Unit::Year}};
        t.numberWords = {{u"a"_s, 1},     {u"an"_s, 1},    {u"one"_s, 1},   {u"two"_s, 2},   {u"three"_s, 3},
                         {u"four"_s, 4},  {u"five"_s, 5},  {u"six"_s, 6},   {u"seven"_s, 7}, {u"eight"_s, 8},
                         {u"nine"_s, 9},  {u"ten"_s, 10},  {u"eleven"_s, 11}, {u"twelve"_s, 12},
                         {u"fifteen"_s, 15}, {u"twenty"_s, 20}, {u"thirty"_s, 30}};
        t.ordinals = {{u"first"_s, 1},  {u"1st"_s, 1},   {u"second"_s, 2}, {u"2nd"_s, 2}, {u"third"_s, 3},
                      {u"3rd"_s, 3},    {u"fourth"_s, 4}, {u"4th"_s, 4},   {u"last"_s, -1}};
        t.ordinalEndings = {u"st"_s, u"nd"_s, u"rd"_s, u"th"_s};
        t.amWords = {u"am"_s, u"a.m."_s, u"a"_s};
        t.pmWords = {u"pm"_s, u"p.m."_s, u"p"_s};
        t.noonWords = {u"noon"_s, u"midday"_s};
        t.midnightWords = {u"midnight"_s};
        t.andWords = {u"and"_s, u"&"_s};
        t.eveningHour = 20;

        t.rules = {
            {u"today"_s, Action::Today},
            {u"tonight"_s, Action::Tonight},
            {u"tomorrow|tmrw|tmr"_s, Action::Tomorrow},
            {u"next {weekday}"_s, Action::NextWeekday},
            {u"on|this? {weekday}"_s, Action::Weekday},
            {u"in {n} {unit}"_s, Action::InOffset},
            {u"on? the? {daynum} of? {month}"_s, Action::DayMonth},
            {u"on? {month} the? {daynum}"_s, Action::DayMonth},
            {u"on? {date}"_s, Action::Date},
            {u"at|by {hour}"_s, Action::Time},
            {u"{time}"_s, Action::Time},
            {u"every|each day"_s, Action::Daily},
            {u"daily|everyday"_s, Action::Daily},
            {u"every|each weekday"_s, Action::Weekdays},
            {u"on? weekdays"_s, Action::Weekdays},
            {u"every|each {weekdays}"_s, Action::OnDays},
            {u"every|each {n}? {unit}"_s, Action::Every},
            {u"hourly"_s, Action::Every, Unit::Hour},
            {u"weekly"_s, Action::Every, Unit::Week},
            {u"monthly"_s, Action::Every, Unit::Month},
            {u"yearly|annually"_s, Action::Every, Unit::Year},
            {u"every|each month on the? {daynum}"_s, Action::MonthlyOnDay},
            {u"on the {daynum} of every|each month"_s, Action::MonthlyOnDay},
            {u"every|each hour from|between {hour} to|and|until|- {hour}"_s, Action::HourlyWindow},
            {u"on? the? {ordinal} {weekday} of every|each|the month"_s, Action::MonthDay},
            {u"every|each {ordinal} {weekday} of? the? month?"_s, Action::MonthDay},
            {u"remind|alert me? {n} {unit} before|earlier|ahead"_s, Action::RemindBefore},
        };
        return t;
    }();
    return table;
}

} // namespace quickadd
