-- Mehrsan: questionnaire content (90 statements) and the interpretation text.
-- Subscale k (1..15) is made of items k, k+15, k+30, k+45, k+60, k+75.
-- "forward": agreeing means more of the trait.
-- "reversed": agreeing means less of the trait; scored in the opposite direction.

-- 1: self-awareness, forward
INSERT INTO QU (ID, QUs) VALUES ('1', 'معمولاً به‌خوبی می‌دانم در هر لحظه چه احساسی دارم.');
-- 2: assertiveness, reversed
INSERT INTO QU (ID, QUs) VALUES ('2', 'وقتی با نظر دیگران مخالفم، معمولاً حرفی نمی‌زنم.');
-- 3: self-regard, forward
INSERT INTO QU (ID, QUs) VALUES ('3', 'از خودم و از کسی که هستم راضی‌ام.');
-- 4: self-actualization, forward
INSERT INTO QU (ID, QUs) VALUES ('4', 'برای زندگی‌ام هدف‌های روشنی دارم و برای رسیدن به آن‌ها تلاش می‌کنم.');
-- 5: independence, forward
INSERT INTO QU (ID, QUs) VALUES ('5', 'می‌توانم بدون نیاز به تأیید دیگران تصمیم بگیرم.');
-- 6: empathy, forward
INSERT INTO QU (ID, QUs) VALUES ('6', 'به‌راحتی می‌توانم خودم را جای دیگران بگذارم.');
-- 7: social responsibility, forward
INSERT INTO QU (ID, QUs) VALUES ('7', 'دوست دارم در کارهایی شرکت کنم که به نفع جامعه است.');
-- 8: interpersonal relationships, forward
INSERT INTO QU (ID, QUs) VALUES ('8', 'به‌راحتی با دیگران دوست می‌شوم.');
-- 9: problem solving, forward
INSERT INTO QU (ID, QUs) VALUES ('9', 'وقتی با مشکلی روبه‌رو می‌شوم، اول اطلاعات لازم را جمع می‌کنم.');
-- 10: reality testing, forward
INSERT INTO QU (ID, QUs) VALUES ('10', 'معمولاً موقعیت‌ها را همان‌طور که واقعاً هستند می‌بینم.');
-- 11: flexibility, reversed
INSERT INTO QU (ID, QUs) VALUES ('11', 'وقتی برنامه‌هایم به‌هم می‌خورد، به‌سختی خودم را با شرایط تازه وفق می‌دهم.');
-- 12: stress tolerance, reversed
INSERT INTO QU (ID, QUs) VALUES ('12', 'در شرایط پرفشار به‌سرعت دستپاچه می‌شوم.');
-- 13: impulse control, forward
INSERT INTO QU (ID, QUs) VALUES ('13', 'پیش از آنکه حرفی بزنم یا کاری بکنم، دربارهٔ پیامدهایش فکر می‌کنم.');
-- 14: optimism, forward
INSERT INTO QU (ID, QUs) VALUES ('14', 'معمولاً انتظار دارم کارها به‌خوبی پیش برود.');
-- 15: happiness, reversed
INSERT INTO QU (ID, QUs) VALUES ('15', 'بیشتر وقت‌ها احساس دل‌زدگی و بی‌حوصلگی می‌کنم.');

-- 16: self-awareness, forward
INSERT INTO QU (ID, QUs) VALUES ('16', 'وقتی ناراحت می‌شوم، می‌توانم علت ناراحتی‌ام را تشخیص دهم.');
-- 17: assertiveness, reversed
INSERT INTO QU (ID, QUs) VALUES ('17', 'برایم سخت است که به درخواست‌های نابجای دیگران «نه» بگویم.');
-- 18: self-regard, reversed
INSERT INTO QU (ID, QUs) VALUES ('18', 'اغلب احساس می‌کنم از دیگران کم‌ارزش‌ترم.');
-- 19: self-actualization, reversed
INSERT INTO QU (ID, QUs) VALUES ('19', 'احساس می‌کنم زندگی‌ام مسیر مشخص و معناداری ندارد.');
-- 20: independence, reversed
INSERT INTO QU (ID, QUs) VALUES ('20', 'حتی برای تصمیم‌های کوچک هم به نظر دیگران وابسته‌ام.');
-- 21: empathy, reversed
INSERT INTO QU (ID, QUs) VALUES ('21', 'معمولاً متوجه نمی‌شوم که اطرافیانم ناراحت یا دلخورند.');
-- 22: social responsibility, reversed
INSERT INTO QU (ID, QUs) VALUES ('22', 'فکر می‌کنم مشکلات جامعه ربطی به من ندارد.');
-- 23: interpersonal relationships, forward
INSERT INTO QU (ID, QUs) VALUES ('23', 'دوستی‌هایم را سال‌ها حفظ می‌کنم.');
-- 24: problem solving, forward
INSERT INTO QU (ID, QUs) VALUES ('24', 'پیش از انتخاب یک راه‌حل، راه‌های مختلف را با هم مقایسه می‌کنم.');
-- 25: reality testing, forward
INSERT INTO QU (ID, QUs) VALUES ('25', 'می‌توانم خیال‌پردازی‌هایم را از واقعیت جدا کنم.');
-- 26: flexibility, reversed
INSERT INTO QU (ID, QUs) VALUES ('26', 'تغییر دادن عادت‌هایم برایم بسیار دشوار است.');
-- 27: stress tolerance, reversed
INSERT INTO QU (ID, QUs) VALUES ('27', 'وقتی کارهایم زیاد می‌شود، احساس می‌کنم از پس آن‌ها برنمی‌آیم.');
-- 28: impulse control, forward
INSERT INTO QU (ID, QUs) VALUES ('28', 'حتی وقتی خیلی عصبانی‌ام، می‌توانم جلوی رفتار تندم را بگیرم.');
-- 29: optimism, forward
INSERT INTO QU (ID, QUs) VALUES ('29', 'حتی در روزهای سخت، به آینده امیدوارم.');
-- 30: happiness, forward
INSERT INTO QU (ID, QUs) VALUES ('30', 'از زندگی‌ام لذت می‌برم.');

-- 31: self-awareness, forward
INSERT INTO QU (ID, QUs) VALUES ('31', 'می‌توانم احساسات گوناگونم را از هم تشخیص دهم و برایشان نام بگذارم.');
-- 32: assertiveness, forward
INSERT INTO QU (ID, QUs) VALUES ('32', 'می‌توانم نظرم را حتی در جمع به‌روشنی بیان کنم.');
-- 33: self-regard, reversed
INSERT INTO QU (ID, QUs) VALUES ('33', 'از بسیاری از ویژگی‌های ظاهری و شخصیتی‌ام خوشم نمی‌آید.');
-- 34: self-actualization, reversed
INSERT INTO QU (ID, QUs) VALUES ('34', 'علاقهٔ چندانی به یادگیری چیزهای تازه و رشد شخصی ندارم.');
-- 35: independence, reversed
INSERT INTO QU (ID, QUs) VALUES ('35', 'وقتی کسی کنارم نیست تا راهنمایی‌ام کند، احساس درماندگی می‌کنم.');
-- 36: empathy, reversed
INSERT INTO QU (ID, QUs) VALUES ('36', 'احساسات دیگران برایم اهمیت چندانی ندارد.');
-- 37: social responsibility, reversed
INSERT INTO QU (ID, QUs) VALUES ('37', 'اگر مطمئن باشم کسی متوجه نمی‌شود، قوانین را زیر پا می‌گذارم.');
-- 38: interpersonal relationships, forward
INSERT INTO QU (ID, QUs) VALUES ('38', 'از بودن در کنار دیگران و گفت‌وگو با آن‌ها لذت می‌برم.');
-- 39: problem solving, forward
INSERT INTO QU (ID, QUs) VALUES ('39', 'مشکلات بزرگ را به بخش‌های کوچک‌تر تقسیم می‌کنم تا حلشان آسان‌تر شود.');
-- 40: reality testing, reversed
INSERT INTO QU (ID, QUs) VALUES ('40', 'گاهی چیزها را آن‌طور می‌بینم که دلم می‌خواهد، نه آن‌طور که هستند.');
-- 41: flexibility, reversed
INSERT INTO QU (ID, QUs) VALUES ('41', 'وقتی روشی را انتخاب کرده‌ام، حتی اگر جواب ندهد، کنارش نمی‌گذارم.');
-- 42: stress tolerance, forward
INSERT INTO QU (ID, QUs) VALUES ('42', 'در موقعیت‌های دشوار می‌توانم آرامشم را حفظ کنم.');
-- 43: impulse control, forward
INSERT INTO QU (ID, QUs) VALUES ('43', 'می‌توانم برای رسیدن به نتیجه‌ای بهتر، خواسته‌های فوری‌ام را به تعویق بیندازم.');
-- 44: optimism, forward
INSERT INTO QU (ID, QUs) VALUES ('44', 'باور دارم که بیشتر مشکلات سرانجام راه‌حلی دارند.');
-- 45: happiness, reversed
INSERT INTO QU (ID, QUs) VALUES ('45', 'به‌ندرت از ته دل می‌خندم.');

-- 46: self-awareness, forward
INSERT INTO QU (ID, QUs) VALUES ('46', 'متوجه می‌شوم که حال‌وهوای درونی‌ام چگونه بر رفتارم اثر می‌گذارد.');
-- 47: assertiveness, forward
INSERT INTO QU (ID, QUs) VALUES ('47', 'وقتی حقم نادیده گرفته می‌شود، با آرامش و قاطعیت از آن دفاع می‌کنم.');
-- 48: self-regard, reversed
INSERT INTO QU (ID, QUs) VALUES ('48', 'گاهی به خاطر کسی که هستم از خودم خجالت می‌کشم.');
-- 49: self-actualization, forward
INSERT INTO QU (ID, QUs) VALUES ('49', 'از انجام کارهایی که استعدادهایم را شکوفا می‌کند لذت می‌برم.');
-- 50: independence, reversed
INSERT INTO QU (ID, QUs) VALUES ('50', 'ترجیح می‌دهم دیگران به جای من تصمیم بگیرند.');
-- 51: empathy, forward
INSERT INTO QU (ID, QUs) VALUES ('51', 'وقتی کسی با من درد دل می‌کند، احساسش را به‌خوبی درک می‌کنم.');
-- 52: social responsibility, reversed
INSERT INTO QU (ID, QUs) VALUES ('52', 'کمک کردن به غریبه‌ها را وظیفهٔ خودم نمی‌دانم.');
-- 53: interpersonal relationships, forward
INSERT INTO QU (ID, QUs) VALUES ('53', 'با چند نفر رابطه‌ای نزدیک و صمیمانه دارم.');
-- 54: problem solving, forward
INSERT INTO QU (ID, QUs) VALUES ('54', 'برای حل مشکلاتم گام‌به‌گام برنامه‌ریزی می‌کنم.');
-- 55: reality testing, forward
INSERT INTO QU (ID, QUs) VALUES ('55', 'پیش از قضاوت دربارهٔ یک موضوع، شواهد واقعی را بررسی می‌کنم.');
-- 56: flexibility, reversed
INSERT INTO QU (ID, QUs) VALUES ('56', 'تغییرات ناگهانی در زندگی‌ام مرا آشفته و ناراحت می‌کند.');
-- 57: stress tolerance, forward
INSERT INTO QU (ID, QUs) VALUES ('57', 'راه‌های مؤثری برای کنار آمدن با فشار روانی بلدم.');
-- 58: impulse control, reversed
INSERT INTO QU (ID, QUs) VALUES ('58', 'اغلب بی‌فکر و عجولانه کاری می‌کنم که بعداً از آن پشیمان می‌شوم.');
-- 59: optimism, forward
INSERT INTO QU (ID, QUs) VALUES ('59', 'در هر موقعیتی، جنبه‌های مثبت آن را هم می‌بینم.');
-- 60: happiness, forward
INSERT INTO QU (ID, QUs) VALUES ('60', 'به‌طور کلی آدم شاد و سرزنده‌ای هستم.');

-- 61: self-awareness, reversed
INSERT INTO QU (ID, QUs) VALUES ('61', 'اغلب نمی‌دانم دقیقاً چه احساسی دارم.');
-- 62: assertiveness, forward
INSERT INTO QU (ID, QUs) VALUES ('62', 'به‌راحتی احساسات و خواسته‌هایم را به دیگران می‌گویم.');
-- 63: self-regard, reversed
INSERT INTO QU (ID, QUs) VALUES ('63', 'به توانایی‌های خودم اعتماد چندانی ندارم.');
-- 64: self-actualization, reversed
INSERT INTO QU (ID, QUs) VALUES ('64', 'بیشتر روزهایم بی‌هدف و تکراری می‌گذرد.');
-- 65: independence, forward
INSERT INTO QU (ID, QUs) VALUES ('65', 'در بیشتر کارها روی پای خودم می‌ایستم و کارهایم را خودم پیش می‌برم.');
-- 66: empathy, forward
INSERT INTO QU (ID, QUs) VALUES ('66', 'از حالت چهره و لحن صدای دیگران می‌فهمم چه حالی دارند.');
-- 67: social responsibility, reversed
INSERT INTO QU (ID, QUs) VALUES ('67', 'در کارهای گروهی معمولاً سعی می‌کنم کمتر از سهمم کار کنم.');
-- 68: interpersonal relationships, forward
INSERT INTO QU (ID, QUs) VALUES ('68', 'می‌توانم محبتم را به نزدیکانم نشان دهم.');
-- 69: problem solving, forward
INSERT INTO QU (ID, QUs) VALUES ('69', 'حتی در موقعیت‌های پیچیده می‌توانم راه‌حل مناسبی پیدا کنم.');
-- 70: reality testing, forward
INSERT INTO QU (ID, QUs) VALUES ('70', 'در ارزیابی توانایی‌ها و محدودیت‌هایم واقع‌بین هستم.');
-- 71: flexibility, reversed
INSERT INTO QU (ID, QUs) VALUES ('71', 'به‌ندرت نظرم را تغییر می‌دهم، حتی وقتی دلایل تازه‌ای می‌شنوم.');
-- 72: stress tolerance, reversed
INSERT INTO QU (ID, QUs) VALUES ('72', 'اضطراب نمی‌گذارد در موقعیت‌های حساس درست فکر کنم.');
-- 73: impulse control, forward
INSERT INTO QU (ID, QUs) VALUES ('73', 'وقتی کسی مرا تحریک می‌کند، خونسردی‌ام را از دست نمی‌دهم.');
-- 74: optimism, forward
INSERT INTO QU (ID, QUs) VALUES ('74', 'وقتی شکست می‌خورم، مطمئنم دفعهٔ بعد بهتر عمل خواهم کرد.');
-- 75: happiness, reversed
INSERT INTO QU (ID, QUs) VALUES ('75', 'چیزهایی که قبلاً برایم لذت‌بخش بود، دیگر خوشحالم نمی‌کند.');

-- 76: self-awareness, forward
INSERT INTO QU (ID, QUs) VALUES ('76', 'نشانه‌های بدنی اضطراب یا خشم را در خودم زود تشخیص می‌دهم.');
-- 77: assertiveness, reversed
INSERT INTO QU (ID, QUs) VALUES ('77', 'ترجیح می‌دهم ناراحتی‌ام را در دل نگه دارم تا اینکه آن را ابراز کنم.');
-- 78: self-regard, reversed
INSERT INTO QU (ID, QUs) VALUES ('78', 'وقتی اشتباه می‌کنم، مدت‌ها خودم را سرزنش می‌کنم و بی‌ارزش می‌دانم.');
-- 79: self-actualization, reversed
INSERT INTO QU (ID, QUs) VALUES ('79', 'احساس می‌کنم استعدادهایم در زندگی روزمره هدر می‌رود.');
-- 80: independence, reversed
INSERT INTO QU (ID, QUs) VALUES ('80', 'بدون حمایت و دلگرمی مداوم دیگران نمی‌توانم کارهایم را پیش ببرم.');
-- 81: empathy, reversed
INSERT INTO QU (ID, QUs) VALUES ('81', 'برایم دشوار است بفهمم چرا دیگران از چیزی رنجیده‌اند.');
-- 82: social responsibility, reversed
INSERT INTO QU (ID, QUs) VALUES ('82', 'تا وقتی کاری به نفع خودم نباشد، برای دیگران وقت نمی‌گذارم.');
-- 83: interpersonal relationships, forward
INSERT INTO QU (ID, QUs) VALUES ('83', 'مردم معمولاً در معاشرت با من احساس راحتی می‌کنند.');
-- 84: problem solving, reversed
INSERT INTO QU (ID, QUs) VALUES ('84', 'وقتی با مشکلی روبه‌رو می‌شوم، گیج می‌شوم و نمی‌دانم از کجا شروع کنم.');
-- 85: reality testing, forward
INSERT INTO QU (ID, QUs) VALUES ('85', 'می‌توانم تشخیص دهم که نگرانی‌هایم پایهٔ واقعی دارند یا نه.');
-- 86: flexibility, reversed
INSERT INTO QU (ID, QUs) VALUES ('86', 'کنار آمدن با آدم‌ها و شرایط جدید برایم دشوار است.');
-- 87: stress tolerance, reversed
INSERT INTO QU (ID, QUs) VALUES ('87', 'فشارهای زندگی روزمره خیلی زود مرا از پا درمی‌آورد.');
-- 88: impulse control, forward
INSERT INTO QU (ID, QUs) VALUES ('88', 'در خرید و تصمیم‌های مهم، با حوصله و سنجیده عمل می‌کنم.');
-- 89: optimism, forward
INSERT INTO QU (ID, QUs) VALUES ('89', 'فکر می‌کنم روزهای خوبی در انتظارم است.');
-- 90: happiness, reversed
INSERT INTO QU (ID, QUs) VALUES ('90', 'احساس می‌کنم زندگی‌ام شادی چندانی ندارد.');

-- Settings row: clinic name and address are left empty for the user to fill in;
-- tafsir is the guide to reading the raw scores shown on the results screen.
INSERT INTO Theme (TH, Name, Adress, tafsir) VALUES ('1', '', '', 'این پرسشنامه ۹۰ عبارت دارد که در پانزده خرده‌مقیاس دسته‌بندی شده‌اند و هر خرده‌مقیاس شش عبارت را در بر می‌گیرد. پاسخ هر عبارت روی طیفی پنج‌درجه‌ای ثبت می‌شود و نمره‌ای از ۱ تا ۵ می‌گیرد. جهت هر عبارت پیش از جمع زدن در نظر گرفته شده است؛ یعنی نمرهٔ عبارت‌هایی که به‌صورت منفی نوشته شده‌اند معکوس محاسبه می‌شود و همهٔ نمره‌هایی که می‌بینید هم‌جهت‌اند.
نمرهٔ هر خرده‌مقیاس حاصل جمع نمره‌های شش عبارت آن است و بین ۶ تا ۳۰ قرار می‌گیرد. نمرهٔ کل، مجموع نمره‌های پانزده خرده‌مقیاس است و بین ۹۰ تا ۴۵۰ خواهد بود. در همهٔ خرده‌مقیاس‌ها و نیز در نمرهٔ کل، نمرهٔ بالاتر نشان‌دهندهٔ بهره‌مندی بیشتر از آن ویژگی است.
برنامه هیچ هنجاری اعمال نمی‌کند و همهٔ نمره‌ها به‌صورت خام گزارش می‌شوند. مقایسهٔ نتایج با گروه‌های هنجاری، تعیین نقاط برش و هرگونه داوری بالینی بر عهدهٔ روان‌شناس است و باید با توجه به ویژگی‌های آزمودنی و منابع معتبر انجام شود.
عبارت‌هایی که بی‌پاسخ مانده‌اند با نمرهٔ صفر در جمع منظور می‌شوند. بنابراین اگر آزمودنی به برخی عبارت‌ها پاسخ نداده باشد، نمرهٔ خرده‌مقیاس مربوط و نمرهٔ کل او کمتر از مقدار واقعی خواهد بود و حتی ممکن است از حداقل‌های یادشده پایین‌تر بیاید. در چنین مواردی پیش از تفسیر، عبارت‌های بی‌پاسخ را بررسی کنید و نتایج را با احتیاط به کار ببرید.');
