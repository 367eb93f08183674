#include "SampleLists.h"

namespace brindle::sample::lists {
namespace {

template <typename T, std::size_t N>
Span<const T> span(const T (&a)[N]) {
    return {a, N};
}

const char* const kMale[] = {
    "James", "John", "Robert", "Michael", "William", "David", "Richard", "Joseph", "Thomas", "Charles",
    "Christopher", "Daniel", "Matthew", "Anthony", "Mark", "Donald", "Steven", "Paul", "Andrew", "Joshua",
    "Kenneth", "Kevin", "Brian", "George", "Timothy", "Ronald", "Edward", "Jason", "Jeffrey", "Ryan",
    "Jacob", "Gary", "Nicholas", "Eric", "Jonathan", "Stephen", "Larry", "Justin", "Scott", "Brandon",
    "Benjamin", "Samuel", "Gregory", "Alexander", "Frank", "Patrick", "Raymond", "Jack", "Dennis", "Jerry",
    "Tyler", "Aaron", "José", "Adam", "Nathan", "Henry", "Douglas", "Zachary", "Peter", "Kyle",
    "Ethan", "Walter", "Noah", "Jeremy", "Christian", "Keith", "Roger", "Terry", "Gerald", "Harold",
    "Sean", "Austin", "Carl", "Arthur", "Lawrence", "Dylan", "Jesse", "Jordan", "Bryan", "Billy",
    "Joe", "Bruce", "Gabriel", "Logan", "Albert", "Willie", "Alan", "Juan", "Wayne", "Elijah",
    "Randy", "Roy", "Vincent", "Ralph", "Eugene", "Russell", "Bobby", "Mason", "Philip", "Louis",
    "René", "Luis", "Carlos", "Miguel", "Hector", "Wei", "Hiroshi", "Rajesh", "Ahmed", "Dmitri",
};

const char* const kFemale[] = {
    "Mary", "Patricia", "Jennifer", "Linda", "Elizabeth", "Barbara", "Susan", "Jessica", "Sarah", "Karen",
    "Lisa", "Nancy", "Betty", "Margaret", "Sandra", "Ashley", "Kimberly", "Emily", "Donna", "Michelle",
    "Carol", "Amanda", "Dorothy", "Melissa", "Deborah", "Stephanie", "Rebecca", "Sharon", "Laura", "Cynthia",
    "Kathleen", "Amy", "Angela", "Shirley", "Anna", "Brenda", "Pamela", "Emma", "Nicole", "Helen",
    "Samantha", "Katherine", "Christine", "Debra", "Rachel", "Carolyn", "Janet", "Catherine", "Maria", "Heather",
    "Diane", "Ruth", "Julie", "Olivia", "Joyce", "Virginia", "Victoria", "Kelly", "Lauren", "Christina",
    "Joan", "Evelyn", "Judith", "Megan", "Andrea", "Cheryl", "Hannah", "Jacqueline", "Martha", "Gloria",
    "Teresa", "Ann", "Sara", "Madison", "Frances", "Kathryn", "Janice", "Jean", "Abigail", "Alice",
    "Judy", "Sophia", "Grace", "Denise", "Amber", "Doris", "Marilyn", "Danielle", "Beverly", "Isabella",
    "Theresa", "Diana", "Natalie", "Brittany", "Charlotte", "Marie", "Kayla", "Alexis", "Lori", "Zoë",
    "Renée", "Chloé", "Ana", "Lucía", "Mei", "Yuki", "Priya", "Fatima", "Ingrid", "Siobhan",
};

const char* const kLast[] = {
    "Smith", "Johnson", "Williams", "Brown", "Jones", "Garcia", "Miller", "Davis", "Rodriguez", "Martinez",
    "Hernandez", "Lopez", "Gonzalez", "Wilson", "Anderson", "Thomas", "Taylor", "Moore", "Jackson", "Martin",
    "Lee", "Perez", "Thompson", "White", "Harris", "Sanchez", "Clark", "Ramirez", "Lewis", "Robinson",
    "Walker", "Young", "Allen", "King", "Wright", "Scott", "Torres", "Nguyen", "Hill", "Flores",
    "Green", "Adams", "Nelson", "Baker", "Hall", "Rivera", "Campbell", "Mitchell", "Carter", "Roberts",
    "Gomez", "Phillips", "Evans", "Turner", "Diaz", "Parker", "Cruz", "Edwards", "Collins", "Reyes",
    "Stewart", "Morris", "Morales", "Murphy", "Cook", "Rogers", "Gutierrez", "Ortiz", "Morgan", "Cooper",
    "Peterson", "Bailey", "Reed", "Kelly", "Howard", "Ramos", "Kim", "Cox", "Ward", "Richardson",
    "Watson", "Brooks", "Chavez", "Wood", "James", "Bennett", "Gray", "Mendoza", "Ruiz", "Hughes",
    "Price", "Alvarez", "Castillo", "Sanders", "Patel", "Myers", "Long", "Ross", "Foster", "Jimenez",
    "Powell", "Jenkins", "Perry", "Russell", "Sullivan", "Bell", "Coleman", "Butler", "Henderson", "Barnes",
    "Gonzales", "Fisher", "Vasquez", "Simmons", "Romero", "Jordan", "Patterson", "Alexander", "Hamilton", "Graham",
    "Reynolds", "Griffin", "Wallace", "Moreno", "West", "Cole", "Hayes", "Bryant", "Herrera", "Gibson",
    "Ellis", "Tran", "Medina", "Aguilar", "Stevens", "Murray", "Ford", "Castro", "Marshall", "Owens",
    "Harrison", "Fernandez", "McDonald", "Woods", "Washington", "Kennedy", "Wells", "Vargas", "Henry", "Chen",
    "Freeman", "Webb", "Tucker", "Guzman", "Burns", "Crawford", "Olson", "Simpson", "Porter", "Hunter",
    "Gordon", "Mendez", "Silva", "Shaw", "Snyder", "Mason", "Dixon", "Muñoz", "Hunt", "Hicks",
    "Holmes", "Palmer", "Wagner", "Black", "Robertson", "Boyd", "Rose", "Stone", "Salazar", "Fox",
    "Warren", "Mills", "Meyer", "Rice", "Schmidt", "Garza", "Daniels", "Ferguson", "Nichols", "Stephens",
    "Soto", "Weaver", "Ryan", "Gardner", "Payne", "Grant", "Dunn", "Kelley", "Spencer", "Hawkins",
    "Arnold", "Pierce", "Vazquez", "Hansen", "Peters", "Santos", "Hart", "Bradley", "Knight", "Elliott",
    "Cunningham", "Duncan", "Armstrong", "Hudson", "Carroll", "Lane", "Riley", "Andrews", "Alvarado", "Ray",
    "Delgado", "Berry", "Perkins", "Hoffman", "Johnston", "Matthews", "Peña", "Richards", "Contreras", "Willis",
    "Carpenter", "Lawrence", "Sandoval", "Guerrero", "George", "Chapman", "Rios", "Estrada", "Ortega", "Watkins",
    "Greene", "Nuñez", "Wheeler", "Valdez", "Harper", "Burke", "Larson", "Santiago", "Maldonado", "Morrison",
    "Franklin", "Carlson", "Austin", "Dominguez", "Carr", "Lawson", "Jacobs", "O'Brien", "Lynch", "Singh",
    "Vega", "Bishop", "Montgomery", "Oliver", "Jensen", "Harvey", "Williamson", "Gilbert", "Dean", "Sims",
    "Espinoza", "Howell", "Li", "Wong", "Reid", "Hanson", "Le", "McCoy", "Garrett", "Burton",
    "Fuller", "Wang", "Weber", "Welch", "Rojas", "Lucas", "Marquez", "Fields", "Park", "Yang",
    "Little", "Banks", "Padilla", "Day", "Walsh", "Bowman", "Schultz", "Luna", "Fowler", "Mejia",
    "Müller", "Schröder", "Björk", "Dubois", "Lefèvre", "O'Connor", "MacLeod", "Van der Berg", "De la Cruz", "St. Clair",
};

const char* const kStreets[] = {
    "Main", "Oak", "Maple", "Cedar", "Pine", "Elm", "Washington", "Lake", "Hill", "Park",
    "Walnut", "Chestnut", "Spruce", "Willow", "Birch", "Sycamore", "Hickory", "Magnolia", "Dogwood", "Aspen",
    "Lincoln", "Jefferson", "Madison", "Franklin", "Adams", "Jackson", "Monroe", "Wilson", "Grant", "Church",
    "School", "Mill", "Spring", "River", "Meadow", "Forest", "Highland", "Ridge", "Valley", "Sunset",
    "Prospect", "Center", "Market", "Union", "Broad", "Front", "Water", "Bridge", "College", "Academy",
    "Railroad", "Depot", "Orchard", "Cherry", "Locust", "Poplar", "Laurel", "Vine", "Grove", "Summit",
    "Fairview", "Pleasant", "Liberty", "Independence", "Heritage", "Country Club", "Lakeview", "Riverside", "Hillcrest", "Woodland",
    "Green", "North", "South", "East", "West", "First", "Second", "Third", "Fourth", "Fifth",
    "Sixth", "Seventh", "Eighth", "Ninth", "Tenth", "Elm Grove", "Harbor", "Bay", "Canyon", "Mesa",
};

const char* const kSuffixes[] = {
    "St", "Ave", "Blvd", "Rd", "Dr", "Ln", "Ct", "Way", "Pl", "Ter", "Pkwy", "Cir", "Street", "Avenue", "Road",
};

const char* const kTitles[] = {
    "President", "Vice President", "Director", "Manager", "Office Manager", "Sales Manager", "Accountant",
    "Controller", "Chief Financial Officer", "Chief Executive Officer", "Owner", "Partner", "Attorney",
    "Engineer", "Senior Engineer", "Consultant", "Buyer", "Purchasing Agent", "Secretary", "Treasurer",
    "Administrator", "Coordinator", "Analyst", "Architect", "Designer", "Editor", "Librarian", "Principal",
    "Professor", "Pastor", "Physician", "Nurse Practitioner", "Pharmacist", "Veterinarian", "Realtor",
    "Account Executive", "Marketing Director", "Human Resources", "Plant Manager", "Superintendent",
};

const char* const kOrgWords[] = {
    "Acme", "Summit", "Riverbend", "Pinecrest", "Blue Ridge", "Lakeside", "Northstar", "Keystone", "Redwood",
    "Silver Creek", "Golden Gate", "Harbor", "Prairie", "Liberty", "Pioneer", "Heritage", "Evergreen",
    "Granite", "Cascade", "Frontier", "Meridian", "Oakwood", "Crescent", "Sterling", "Beacon", "Cornerstone",
    "Bright", "Tri-County", "Valley", "Union", "First Street", "Parkside", "Highland", "Maple Leaf",
};

const char* const kOrgKinds[] = {
    "Associates", "Industries", "Consulting", "Supply Co.", "Hardware", "Insurance", "Realty", "Dental Group",
    "Medical Center", "Law Offices", "Bank", "Credit Union", "Printing", "Construction", "Landscaping",
    "Auto Parts", "Bakery", "Books", "Church", "Elementary School", "Library", "Foundation", "Inc.", "LLC",
    "& Sons", "Partners", "Systems", "Electric", "Plumbing", "Veterinary Clinic",
};

const char* const kComments[] = {
    "Met at trade show", "Prefers e-mail", "Call after 5 pm", "Referred by a customer", "Renewal due in spring",
    "Holiday card list", "Do not call", "Newsletter subscriber", "Former customer", "Board member",
    "Volunteer", "Sent catalog", "Wants quarterly updates", "Speaks Spanish", "Moved recently",
    "Annual donor", "Left voicemail", "Sample requested", "VIP", "Check address",
};

const char* const kMemo[] = {
    "Called about the spring mailing and asked for two extra copies.",
    "Prefers to be contacted by phone in the morning.",
    "Address confirmed by letter last year.",
    "Has ordered from us every year since the first catalog.",
    "Asked to be removed from the fax list; keep on the mailing list.",
    "Spouse handles the correspondence; address letters to both.",
    "Billing goes to the main office, shipping to the branch.",
    "Met at the regional conference; interested in the new product line.",
    "Returned mail once: \"addressee unknown\". Verified since.",
    "Gate code for deliveries is on file with the office.",
    "Sends a holiday card every December.",
    "Discount of 10% agreed for orders over $500.",
    "Will be travelling until the end of the month.",
    "Café owner; busy at lunchtime, call before 11.",
    "Needs large-print documents.",
};

const City kCities[] = {
    {"New York", "NY", "100"}, {"Brooklyn", "NY", "112"}, {"Buffalo", "NY", "142"},
    {"Rochester", "NY", "146"}, {"Albany", "NY", "122"}, {"Syracuse", "NY", "132"},
    {"Yonkers", "NY", "107"}, {"Los Angeles", "CA", "900"}, {"San Francisco", "CA", "941"},
    {"San Diego", "CA", "921"}, {"San Jose", "CA", "951"}, {"Sacramento", "CA", "958"},
    {"Fresno", "CA", "937"}, {"Oakland", "CA", "946"}, {"Long Beach", "CA", "908"},
    {"Bakersfield", "CA", "933"}, {"Anaheim", "CA", "928"}, {"Riverside", "CA", "925"},
    {"Santa Barbara", "CA", "931"}, {"Pasadena", "CA", "911"}, {"Chicago", "IL", "606"},
    {"Springfield", "IL", "627"}, {"Peoria", "IL", "616"}, {"Rockford", "IL", "611"},
    {"Naperville", "IL", "605"}, {"Champaign", "IL", "618"}, {"Houston", "TX", "770"},
    {"Dallas", "TX", "752"}, {"Austin", "TX", "787"}, {"San Antonio", "TX", "782"},
    {"Fort Worth", "TX", "761"}, {"El Paso", "TX", "799"}, {"Lubbock", "TX", "794"},
    {"Corpus Christi", "TX", "784"}, {"Amarillo", "TX", "791"}, {"Plano", "TX", "750"},
    {"Phoenix", "AZ", "850"}, {"Tucson", "AZ", "857"}, {"Mesa", "AZ", "852"},
    {"Flagstaff", "AZ", "860"}, {"Scottsdale", "AZ", "852"}, {"Philadelphia", "PA", "191"},
    {"Pittsburgh", "PA", "152"}, {"Harrisburg", "PA", "171"}, {"Allentown", "PA", "181"},
    {"Erie", "PA", "165"}, {"Scranton", "PA", "185"}, {"Jacksonville", "FL", "322"},
    {"Miami", "FL", "331"}, {"Tampa", "FL", "336"}, {"Orlando", "FL", "328"},
    {"Tallahassee", "FL", "323"}, {"St. Petersburg", "FL", "337"}, {"Fort Lauderdale", "FL", "333"},
    {"Gainesville", "FL", "326"}, {"Pensacola", "FL", "325"}, {"Columbus", "OH", "432"},
    {"Cleveland", "OH", "441"}, {"Cincinnati", "OH", "452"}, {"Toledo", "OH", "436"},
    {"Akron", "OH", "443"}, {"Dayton", "OH", "454"}, {"Charlotte", "NC", "282"},
    {"Raleigh", "NC", "276"}, {"Greensboro", "NC", "274"}, {"Durham", "NC", "277"},
    {"Asheville", "NC", "288"}, {"Wilmington", "NC", "284"}, {"Indianapolis", "IN", "462"},
    {"Fort Wayne", "IN", "468"}, {"Evansville", "IN", "477"}, {"South Bend", "IN", "466"},
    {"Bloomington", "IN", "474"}, {"Seattle", "WA", "981"}, {"Spokane", "WA", "992"},
    {"Tacoma", "WA", "984"}, {"Olympia", "WA", "985"}, {"Bellevue", "WA", "980"},
    {"Denver", "CO", "802"}, {"Colorado Springs", "CO", "809"}, {"Boulder", "CO", "803"},
    {"Fort Collins", "CO", "805"}, {"Aurora", "CO", "800"}, {"Boston", "MA", "021"},
    {"Worcester", "MA", "016"}, {"Springfield", "MA", "011"}, {"Cambridge", "MA", "021"},
    {"Lowell", "MA", "018"}, {"Nashville", "TN", "372"}, {"Memphis", "TN", "381"},
    {"Knoxville", "TN", "379"}, {"Chattanooga", "TN", "374"}, {"Detroit", "MI", "482"},
    {"Grand Rapids", "MI", "495"}, {"Lansing", "MI", "489"}, {"Ann Arbor", "MI", "481"},
    {"Flint", "MI", "485"}, {"Kalamazoo", "MI", "490"}, {"Portland", "OR", "972"},
    {"Salem", "OR", "973"}, {"Eugene", "OR", "974"}, {"Bend", "OR", "977"},
    {"Las Vegas", "NV", "891"}, {"Reno", "NV", "895"}, {"Henderson", "NV", "890"},
    {"Baltimore", "MD", "212"}, {"Annapolis", "MD", "214"}, {"Frederick", "MD", "217"},
    {"Rockville", "MD", "208"}, {"Milwaukee", "WI", "532"}, {"Madison", "WI", "537"},
    {"Green Bay", "WI", "543"}, {"Albuquerque", "NM", "871"}, {"Santa Fe", "NM", "875"},
    {"Las Cruces", "NM", "880"}, {"Kansas City", "MO", "641"}, {"St. Louis", "MO", "631"},
    {"Springfield", "MO", "658"}, {"Columbia", "MO", "652"}, {"Atlanta", "GA", "303"},
    {"Savannah", "GA", "314"}, {"Augusta", "GA", "309"}, {"Macon", "GA", "312"},
    {"Athens", "GA", "306"}, {"Omaha", "NE", "681"}, {"Lincoln", "NE", "685"},
    {"Minneapolis", "MN", "554"}, {"St. Paul", "MN", "551"}, {"Duluth", "MN", "558"},
    {"Rochester", "MN", "559"}, {"Wichita", "KS", "672"}, {"Topeka", "KS", "666"},
    {"Lawrence", "KS", "660"}, {"New Orleans", "LA", "701"}, {"Baton Rouge", "LA", "708"},
    {"Shreveport", "LA", "711"}, {"Lafayette", "LA", "705"}, {"Tulsa", "OK", "741"},
    {"Oklahoma City", "OK", "731"}, {"Norman", "OK", "730"}, {"Louisville", "KY", "402"},
    {"Lexington", "KY", "405"}, {"Frankfort", "KY", "406"}, {"Richmond", "VA", "232"},
    {"Virginia Beach", "VA", "234"}, {"Norfolk", "VA", "235"}, {"Arlington", "VA", "222"},
    {"Roanoke", "VA", "240"}, {"Alexandria", "VA", "223"}, {"Newark", "NJ", "071"},
    {"Jersey City", "NJ", "073"}, {"Trenton", "NJ", "086"}, {"Princeton", "NJ", "085"},
    {"Camden", "NJ", "081"}, {"Birmingham", "AL", "352"}, {"Montgomery", "AL", "361"},
    {"Mobile", "AL", "366"}, {"Huntsville", "AL", "358"}, {"Salt Lake City", "UT", "841"},
    {"Provo", "UT", "846"}, {"Ogden", "UT", "844"}, {"Hartford", "CT", "061"},
    {"New Haven", "CT", "065"}, {"Stamford", "CT", "069"}, {"Bridgeport", "CT", "066"},
    {"Des Moines", "IA", "503"}, {"Cedar Rapids", "IA", "524"}, {"Iowa City", "IA", "522"},
    {"Davenport", "IA", "528"}, {"Little Rock", "AR", "722"}, {"Fayetteville", "AR", "727"},
    {"Jackson", "MS", "392"}, {"Gulfport", "MS", "395"}, {"Boise", "ID", "837"},
    {"Pocatello", "ID", "832"}, {"Charleston", "SC", "294"}, {"Columbia", "SC", "292"},
    {"Greenville", "SC", "296"}, {"Charleston", "WV", "253"}, {"Morgantown", "WV", "265"},
    {"Providence", "RI", "029"}, {"Burlington", "VT", "054"}, {"Montpelier", "VT", "056"},
    {"Manchester", "NH", "031"}, {"Concord", "NH", "033"}, {"Portland", "ME", "041"},
    {"Bangor", "ME", "044"}, {"Wilmington", "DE", "198"}, {"Dover", "DE", "199"},
    {"Washington", "DC", "200"}, {"Honolulu", "HI", "968"}, {"Anchorage", "AK", "995"},
    {"Fairbanks", "AK", "997"}, {"Billings", "MT", "591"}, {"Missoula", "MT", "598"},
    {"Helena", "MT", "596"}, {"Fargo", "ND", "581"}, {"Bismarck", "ND", "585"},
    {"Sioux Falls", "SD", "571"}, {"Rapid City", "SD", "577"}, {"Cheyenne", "WY", "820"},
    {"Casper", "WY", "826"},
};

}  // namespace

Words maleFirstNames() { return span(kMale); }
Words femaleFirstNames() { return span(kFemale); }
Words lastNames() { return span(kLast); }
Words streetNames() { return span(kStreets); }
Words streetSuffixes() { return span(kSuffixes); }
Words jobTitles() { return span(kTitles); }
Words orgWords() { return span(kOrgWords); }
Words orgKinds() { return span(kOrgKinds); }
Words comments() { return span(kComments); }
Words memoSentences() { return span(kMemo); }
Span<const City> cities() { return span(kCities); }

}  // namespace brindle::sample::lists
