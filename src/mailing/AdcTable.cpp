#include "mailing/AdcTable.h"

#include <algorithm>

namespace brindle::mailing {

namespace {

// The area distribution centres in the order their groups are printed. The
// names are the separator labels' text as they stand, doubled blanks included.
constexpr std::array<AdcGroup, kAdcGroupCount> kGroups = {{
    {"ALBANY NY 120", "120 121 122 123 124 125 126 127 128 129"},  // 1
    {"ALBUQUERQUE NM 870", "865 870 871 872 873 874 875 877 878 879 880 881 882 883 884"},  // 2
    {"AMF KENNEDY NY 00300", "090 091 092 093 094 095 096 097 098"},  // 3
    {"ANCHORAGE AK 995", "995 996 997"},  // 4
    {"BALTIMORE MD 210", "210 211 212 214 215 216 217 218 219 254 267"},  // 5
    {"BILLINGS MT 590", "590 591 592 593 594 595 596 597 598 599 821"},  // 6
    {"BOISE ID 836", "832 833 834 836 837 979"},  // 7
    {"BOSTON MA 021", "018 019 021 022 055"},  // 8
    {"BUFFALO NY 140", "140 141 142 143 144 145 146 147 148 149"},  // 9
    {"BURMINGHAM AL 350", "350 351 352 354 355 356 357 358 359 362"},  // 10
    {"CAROL STREAM IL 601", "600 601 602 603 610 611 613 614 615 616"},  // 11
    {"CHARLESTON WV 250", "246 247 248 249 250 251 252 253 255 256 257 258 259"},  // 12
    {"CHARLOTTE NC 280", "280 281 282 283 284 286 287 288 289 297"},  // 13
    {"CHEYENNE WY 820", "820 822 823 824 825 826 827 828 829 830 831"},  // 14
    {"CHICAGO IL 606", "606 607 608"},  // 15
    {"CINCINNATI OH 450", "410 450 451 452 453 454 455 458 459 470"},  // 16
    {"CLARKSBURG WV 263", "261 262 263 264 265 266 268"},  // 17
    {"CLEVELAND OH 440", "439 440 441 442 443 444 445 446 447 448 449"},  // 18
    {"COLUMBIA SC 290", "290 291 292 293 294 295 296"},  // 19
    {"COLUMBUS OH 430", "430 431 432 433 434 435 436 437 438 456 457"},  // 20
    {"DENVER CO 800", "800 801 802 803 804 805 806 807 808 809 810 811 812 813 814 815 816"},  // 21
    {"DES MOINES IA 500", "500 501 502 503 504 505 506 507 508 509 520 521 522 523 524 525 526 527 528 612"},  // 22
    {"DETROIT MI 481", "480 481 482 483 484 485 486 487 488 489"},  // 23
    {"DULLES VA 201", "201 220 221 222 223 226 227"},  // 24
    {"DV DANIELS NJ 07099", "070 071 072 073 074 075 076 077 078 079 085 086 087 088 089"},  // 25
    {"FARGO ND  580", "565 567 580 581 582 583 584 585 586 587 588"},  // 26
    {"FT WORTH TX 760", "760 761 762 763 764 765 766 767 768 769 790 791 792 793 794 795 796 797"},  // 27
    {"GRAND RAPIDS MI 493", "490 491 492 493 494 496 497 495"},  // 28
    {"GREENSBORO NC 270", "270 271 272 273 274 275 276 277 278 279 285"},  // 29
    {"HARRISBURG PA 170", "169 170 171 172 173 174 175 176 177 178"},  // 30
    {"HARTFORD CT 060", "060 061 062 063 064 065 066 067 068 069"},  // 31
    {"HONOLULU HI 967", "967 968 969"},  // 32
    {"INDIANAPOLIS IN 460", "460 461 462 463 464 465 466 467 468 469 472 473 474 475 478 479"},  // 33
    {"JACKSON MS 390", "369 390 391 392 393 397"},  // 34
    {"JACKSONVILLE FL 320", "299 304 313 314 315 320 321 322 323 324 326 344"},  // 35
    {"KANSAS CITY MO 640", "640 641 644 645 646 647 648 649 650 651 652 653 654 655 656 657 658 660 661 662 664 665 666 667 668"},  // 36
    {"LAS VEGAS  NV 890", "864 889 890 891 894 895 897 961"},  // 37
    {"LEHIGH VALLEY PA 180", "180 181 182 183 184 185 186 187 188"},  // 38
    {"LEXINGTON KY 403", "403 404 405 406"},  // 39
    {"LITTLE ROCK AR 720", "716 717 718 719 720 721 722 724 725 726 727 728 729"},  // 40
    {"LONG ISLAND NY 117", "005 115 117 118 119"},  // 41
    {"LOS ANGELES CA 900", "900 901"},  // 42
    {"LOUISVILLE KY 400", "400 401 402 407 408 409 411 412 413 414 415 416 417 418 420 421 422 423 424 425 426 427 471 476 477"},  // 43
    {"MACON GA 310", "310 312 316 317 318 319"},  // 44
    {"MANCHESTER NH 030", "030 031 032 033 034 038 039"},  // 45
    {"MEMPHIS TN 380", "375 380 381 382 383 386 387 388 389 723"},  // 46
    {"MIAMI FL 331", "330 331 332 333 340"},  // 47
    {"MILWAUKEE WI 530", "498 499 530 531 532 534 535 537 538 539 541 542 543 544 545 549"},  // 48
    {"MINNEAPOLIS MN 553", "553 554 555 560 561 562 563 564 566"},  // 49
    {"MONTGOMERY AL 360", "360 361 363 364 367 368"},  // 50
    {"NASHVILLE TN 370", "307 370 371 372 373 374 376 377 378 379 384 385"},  // 51
    {"NEW ORLEANS LA 700", "325 365 366 394 395 396 700 701 703 704 705 706 707 708"},  // 52
    {"NEW YORK NY 100", "100 101 102 104"},  // 53
    {"NORTH HOUSTON TX 773", "770 771 772 773 774 775 776 777 778"},  // 54
    {"NORTH METRO GA 301", "298 300 301 302 303 305 306 308 309 311 399"},  // 55
    {"NORTH TEXAS TX 750", "750 751 752 753 754 755 756 757 758 759"},  // 56
    {"OKLAHOMA CITY OK 730", "730 731 734 735 736 737 738 748"},  // 57
    {"OMAHA NE 680", "510 511 512 513 514 515 516 680 681 683 684 685 686 687 688 689 690 691 692 693"},  // 58
    {"ORLANDO FL 328", "327 328 329 334 347 349"},  // 59
    {"PENINSULA CA 941", "940 941 943 944 945 946 947 948 949 954"},  // 60
    {"PHILADELPHIA PA 190", "190 191 192"},  // 61
    {"PHOENIX AZ 852", "850 852 853 855 856 857 859 860 863"},  // 62
    {"PITTSBURGH PA 150", "150 151 152 153 154 155 156 157 158 159 160 161 162 163 164 165 166 167 168 260"},  // 63
    {"PORTLAND ME 040", "040 041 042 043 044 045 046 049 047 048"},  // 64
    {"PORTLAND OR 970", "970 971 972 973 974 975 976 977 978 986"},  // 65
    {"PROVIDENCE RI 028", "020 023 024 025 026 027 028 029"},  // 66
    {"QUEENS NY 110", "103 110 111 112 113 114 116"},  // 67
    {"RICHMOND VA 230", "224 225 228 229 230 231 232 233 234 235 236 237 238 239 244"},  // 68
    {"ROANOKE VA 240", "240 241 242 243 245"},  // 69
    {"SALT LAKE CITY UT 840", "840 841 842 843 844 845 846 847 893 898"},  // 70
    {"SAN ANTONIO TX 780", "733 779 780 781 782 783 784 785 786 787 788 789 798 799 885"},  // 71
    {"SAN DIEGO CA 920", "919 920 921"},  // 72
    {"SAN FRANCISCO 962", "962 963 964 965 966"},  // 73
    {"SAN JUAN PR  006", "006 007 008 009"},  // 74
    {"SEATTLE WA 980", "835 838 980 981 982 983 984 985 988 989 990 991 992 993 994 998 999"},  // 75
    {"SEQUOIA CA 901", "922 923 924 925 926 927 928 930 931 932 933 934 935"},  // 76
    {"SHREVEPORT LA 710", "710 711 712 713 714"},  // 77
    {"SIERRA CA 940", "936 937 938 939 942 950 951 952 953 955 956 957 958 959 960"},  // 78
    {"SIOUX FALLS SD 570", "570 571 572 573 574 575 576 577"},  // 79
    {"SOUTH EASTERN PA 189", "179 189 193 194 195 196"},  // 80
    {"SOUTH JERSEY 080", "080 081 082 083 084"},  // 81
    {"SOUTHERN MD 206", "206 207 208 209"},  // 82
    {"SPRINGFIELD MA 010", "010 011 012 013 014 015 016 017"},  // 83
    {"ST PAUL MN 550", "540 546 547 548 550 551 556 557 558 559"},  // 84
    {"ST. LOUIS MO 630", "620 622 623 624 625 626 627 628 629 630 631 633 634 635 636 637 638 639"},  // 85
    {"SUBURBAN IL 604", "604 605 609 617 618 619"},  // 86
    {"SYRACUSE NY 130", "130 131 132 133 134 135 136 137 138 139"},  // 87
    {"TAMPA FL 335", "335 336 337 338 339 341 342 346"},  // 88
    {"TULSA OK 740", "740 741 743 744 745 746 747 749"},  // 89
    {"TWIN VALLEY CA 900", "902 903 904 905 906 907 908 910 911 912 913 914 915 916 917 918"},  // 90
    {"WASHINGTON DC 200", "200 202 203 204 205"},  // 91
    {"WESTCHESTER NY 105", "004 105 106 107 108 109"},  // 92
    {"WHITE RIVER JCT VT 050", "035 036 037 056 057 058 059"},  // 93
    {"WHITE RVR JCT VT 050", "054 050 053 051 052"},  // 94
    {"WICHITA KS 670", "669 670 671 672 673 674 675 676 677 678 679 739"},  // 95
    {"WILMINGTON DE 197", "197 198 199"},  // 96
}};

// Prefix number (0..999) to row, -1 for prefixes no centre serves.
std::array<std::int8_t, 1000> buildLookup() {
    std::array<std::int8_t, 1000> lookup;
    lookup.fill(-1);
    for (std::size_t row = 0; row < kGroups.size(); ++row) {
        const std::string_view list = kGroups[row].prefixes;
        std::size_t pos = 0;
        while (pos < list.size()) {
            std::size_t end = list.find(' ', pos);
            if (end == std::string_view::npos) end = list.size();
            const std::string_view entry = list.substr(pos, end - pos);
            if (entry.size() == 3) {
                const int n = (entry[0] - '0') * 100 + (entry[1] - '0') * 10 + (entry[2] - '0');
                // The table names each prefix once; should it ever name one
                // twice, the earlier row keeps it, as a walk in table order would.
                auto& slot = lookup[static_cast<std::size_t>(n)];
                if (slot < 0) slot = static_cast<std::int8_t>(row);
            }
            pos = end + 1;
        }
    }
    return lookup;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

const std::array<AdcGroup, kAdcGroupCount>& adcGroups() { return kGroups; }

int adcGroupOf(std::string_view prefix) {
    static const std::array<std::int8_t, 1000> lookup = buildLookup();
    if (prefix.size() != 3 || !std::all_of(prefix.begin(), prefix.end(), isDigit)) return -1;
    const int n = (prefix[0] - '0') * 100 + (prefix[1] - '0') * 10 + (prefix[2] - '0');
    return lookup[static_cast<std::size_t>(n)];
}

}  // namespace brindle::mailing
