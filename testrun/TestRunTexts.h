#pragma once
#include <QString>

// The texts of the test-run window and of its start from the main window,
// character for character as the program has always shown them.
namespace TestRunTexts {
inline const QString kCaption = QStringLiteral("صفحه اجراي تست");
inline const QString kOption1 = QStringLiteral("کاملا موافقم");
inline const QString kOption2 = QStringLiteral("موافقم");
inline const QString kOption3 = QStringLiteral("تاحدودي");
inline const QString kOption4 = QStringLiteral("مخالفم");
inline const QString kOption5 = QStringLiteral("کاملا مخالفم");
inline const QString kCodeCaption = QStringLiteral(" :کد");
inline const QString kFNameCaption = QStringLiteral(" :نام");
inline const QString kLNameCaption = QStringLiteral(" :نام خانوادگي");
inline const QString kJensCaption = QStringLiteral(" :جنس");
inline const QString kSenCaption = QStringLiteral(" :سن");
inline const QString kTaaholCaption = QStringLiteral(" :وضعيت تاهل");
inline const QString kTahsilCaption = QStringLiteral(" :ميزان تحصيلات");
inline const QString kDateCaption = QStringLiteral(" :تاريخ");
inline const QString kTimeCaption = QStringLiteral(" :ساعت");
inline const QString kTitle = QStringLiteral("پرسشنامه هوش هيجاني Tavor");
inline const QString kNoRightOrWrong = QStringLiteral("هيچ پاسخ درست يا غلط براي گزينه ها وجود ندارد، لطفاً به همه ي گزينه ها پاسخ دهيد");
inline const QString kScaleLegend = QStringLiteral("  كاملا موافقم  --- موافقم   ---  تاحدودي  ---   مخالف  --- كاملا مخالفم  ");
inline const QString kStart = QStringLiteral("شروع");
inline const QString kExit = QStringLiteral(" خروج");
inline const QString kBack = QStringLiteral("قبلي");
inline const QString kNext = QStringLiteral("بعدي");
inline const QString kCodePrompt = QStringLiteral(" Plese Insert Code ");
inline const QString kCodeTitle = QStringLiteral("Enter Code ");
inline const QString kEnterCode = QStringLiteral("شما بايد شماره آزمودني مورد نظر را وارد كنيد");
inline const QString kNoSuchSubject = QStringLiteral("فردي با اين مشخصات وجود ندارد");
inline const QString kEnd = QStringLiteral("پايان");
inline const QString kMustBeNumber = QStringLiteral("شما بايد عدد وارد كنيد");
// The instruction paragraph of the first page.
inline const QString kInstructions = QStringLiteral(
    "آزمودني گرامي، لطفاً هر جمله را با دقت بخوانيد و سپس به آن پاسخ دهيد. براي پاسخ دادن وقت کافي داريد؛ "
    "پيش از علامت زدن هر گزينه کمي درباره آن فکر کنيد. نتيجه اين پرسشنامه هيچ تأثيري بر نمره هاي درسي "
    "يا نمره انضباط شما ندارد.");
// Errors of the store, shown to the operator in a box titled kErrorTitle.
inline const QString kErrorTitle = QStringLiteral("خطا");
inline const QString kAnswerNotSaved = QStringLiteral("پاسخ سؤال %1 ذخيره نشد. لطفاً گزينه را دوباره انتخاب کنيد.");
inline const QString kAnswersNotSaved = QStringLiteral("پاسخ هاي آزمودني ذخيره نشد.");
inline const QString kIdentityNotSaved = QStringLiteral("مشخصات آزمودني ذخيره نشد.");
// Accessible names of the fields that have no caption of their own.
inline const QString kCounterName = QStringLiteral("شماره سؤال");
inline const QString kOptionsName = QStringLiteral("گزينه هاي پاسخ");
}  // namespace TestRunTexts
