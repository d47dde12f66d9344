// Simulated views: geometry under transforms, the tree's edge cases, conversion and the dump.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>

#include "sim/views/classes.h"
#include "sim/views/tree.h"

namespace {

using host::AffineTransform;
using host::makeRect;
using host::Point;
using host::Rect;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

AffineTransform rotation(double radians) {
  return {std::cos(radians), std::sin(radians), -std::sin(radians), std::cos(radians), 0, 0};
}

void expectRectNear(const Rect& actual, const Rect& expected) {
  EXPECT_NEAR(actual.origin.x, expected.origin.x, 1e-9);
  EXPECT_NEAR(actual.origin.y, expected.origin.y, 1e-9);
  EXPECT_NEAR(actual.size.width, expected.size.width, 1e-9);
  EXPECT_NEAR(actual.size.height, expected.size.height, 1e-9);
}

void expectPointNear(Point actual, Point expected) {
  EXPECT_NEAR(actual.x, expected.x, 1e-9);
  EXPECT_NEAR(actual.y, expected.y, 1e-9);
}

class Views : public ::testing::Test {
 protected:
  std::shared_ptr<sim::View> view(Rect frame = makeRect(0, 0, 100, 100)) {
    return classes.makeView(frame);
  }
  std::vector<host::View*> subviewsOf(const host::View& parent) {
    std::vector<host::View*> list;
    for (const auto& child : parent.subviews()) list.push_back(child.get());
    return list;
  }

  sim::Record record{[] { return 0.0; }};
  sim::Runtime runtime{record};
  sim::ViewClasses classes = sim::defineViewClasses(runtime);
};

TEST_F(Views, AScaleTransformGrowsTheFrameAboutTheCenterAndLeavesBoundsAlone) {
  auto v = view();
  v->setTransform(AffineTransform::makeScale(2, 2));
  EXPECT_EQ(v->frame(), makeRect(-50, -50, 200, 200));
  EXPECT_EQ(v->bounds(), makeRect(0, 0, 100, 100));
  EXPECT_EQ(v->center(), (Point{50, 50}));
}

TEST_F(Views, ARotatedViewsFrameIsTheBoundingBoxOfItsRotatedBounds) {
  auto v = view(makeRect(0, 0, 100, 50));
  v->setTransform(rotation(M_PI / 4));
  const double side = 150 / std::sqrt(2.0);
  expectRectNear(v->frame(), makeRect(50 - side / 2, 25 - side / 2, side, side));
  EXPECT_EQ(v->bounds(), makeRect(0, 0, 100, 50));
}

TEST_F(Views, SettingAFrameUnderAScaleSetsCenterToItsMidpointAndDividesTheSize) {
  auto v = view();
  v->setTransform(AffineTransform::makeScale(0.5, 0.25));
  v->setFrame(makeRect(10, 20, 100, 40));
  EXPECT_EQ(v->center(), (Point{60, 40}));
  EXPECT_EQ(v->bounds(), makeRect(0, 0, 200, 160));
  EXPECT_EQ(v->frame(), makeRect(10, 20, 100, 40));
}

TEST_F(Views, SettingAFrameUnderAQuarterTurnSwapsTheBoundsAxes) {
  auto v = view();
  v->setTransform(rotation(M_PI / 2));
  v->setFrame(makeRect(10, 20, 40, 80));
  expectRectNear(v->bounds(), makeRect(0, 0, 80, 40));
  expectRectNear(v->frame(), makeRect(10, 20, 40, 80));
}

TEST_F(Views, SettingAFrameUnderAnOddRotationIsNotModelled) {
  auto v = view();
  v->setTransform(rotation(0.3));
  EXPECT_THROW(v->setFrame(makeRect(0, 0, 10, 10)), std::logic_error);
}

TEST_F(Views, TheAnchorPointPlacesTheFrameAroundThePosition) {
  auto v = view();
  sim::viewState(*v).setAnchorPoint({0, 0});
  EXPECT_EQ(v->frame(), makeRect(50, 50, 100, 100));
}

TEST_F(Views, NonFiniteGeometryRaisesTheLayerExceptionAndChangesNothing) {
  auto v = view(makeRect(1, 2, 3, 4));
  for (Rect bad : {makeRect(nan, 0, 1, 1), makeRect(0, inf, 1, 1), makeRect(0, 0, -inf, 1),
                   makeRect(0, 0, 1, nan)}) {
    try {
      v->setFrame(bad);
      ADD_FAILURE() << "a non-finite frame was accepted";
    } catch (const host::PlatformException& e) {
      EXPECT_EQ(e.name(), "CALayerInvalidGeometry");
    }
  }
  EXPECT_THROW(v->setTransform(AffineTransform::makeScale(nan, 1)), host::PlatformException);
  EXPECT_THROW(v->setTransform({1, 0, 0, 1, inf, 0}), host::PlatformException);
  EXPECT_EQ(v->frame(), makeRect(1, 2, 3, 4));
  EXPECT_TRUE(v->transform().isIdentity());
}

TEST_F(Views, AFrameThatOverflowsUnderATinyScaleRaisesTheLayerException) {
  auto v = view();
  v->setTransform(AffineTransform::makeScale(1e-300, 1));
  EXPECT_THROW(v->setFrame(makeRect(0, 0, 1e10, 1)), host::PlatformException);
}

TEST_F(Views, AddingAViewToItselfIsRefused) {
  auto v = view();
  try {
    v->addSubview(v);
    FAIL() << "self-add was accepted";
  } catch (const host::PlatformException& e) {
    EXPECT_EQ(e.name(), "NSInvalidArgumentException");
    EXPECT_STREQ(e.what(), "Can't add self as subview");
  }
  EXPECT_TRUE(v->subviews().empty());
  EXPECT_EQ(v->superview(), nullptr);
}

TEST_F(Views, AddingAnAncestorIsRefusedAsALayerCycle) {
  auto root = view(), middle = view(), leaf = view();
  root->addSubview(middle);
  middle->addSubview(leaf);
  try {
    leaf->addSubview(root);
    FAIL() << "a cycle was accepted";
  } catch (const host::PlatformException& e) {
    EXPECT_EQ(e.name(), "CALayerInvalid");
  }
  EXPECT_TRUE(leaf->subviews().empty());
  EXPECT_EQ(root->superview(), nullptr);
}

TEST_F(Views, ReAddingASubviewMovesItToTheFront) {
  auto parent = view(), a = view(), b = view(), c = view();
  for (const auto& child : {a, b, c}) parent->addSubview(child);
  parent->addSubview(a);
  EXPECT_EQ(subviewsOf(*parent), (std::vector<host::View*>{b.get(), c.get(), a.get()}));
}

TEST_F(Views, AddingAViewMovesItFromItsOldParent) {
  auto first = view(), second = view(), child = view(), other = view();
  first->addSubview(child);
  second->addSubview(other);
  second->addSubview(child);
  EXPECT_TRUE(first->subviews().empty());
  EXPECT_EQ(subviewsOf(*second), (std::vector<host::View*>{other.get(), child.get()}));
  EXPECT_EQ(child->superview().get(), second.get());
}

TEST_F(Views, BringAndSendReorderOnlyTheirOwnSubviews) {
  auto parent = view(), a = view(), b = view(), c = view(), stranger = view();
  for (const auto& child : {a, b, c}) parent->addSubview(child);
  parent->bringSubviewToFront(a);
  EXPECT_EQ(subviewsOf(*parent), (std::vector<host::View*>{b.get(), c.get(), a.get()}));
  parent->sendSubviewToBack(c);
  EXPECT_EQ(subviewsOf(*parent), (std::vector<host::View*>{c.get(), b.get(), a.get()}));
  parent->bringSubviewToFront(stranger);
  parent->sendSubviewToBack(stranger);
  parent->bringSubviewToFront(nullptr);
  EXPECT_EQ(subviewsOf(*parent), (std::vector<host::View*>{c.get(), b.get(), a.get()}));
  EXPECT_EQ(stranger->superview(), nullptr);
}

TEST_F(Views, RemovingAViewWithoutAParentDoesNothing) {
  auto v = view();
  EXPECT_NO_THROW(v->removeFromSuperview());
  EXPECT_EQ(v->superview(), nullptr);
}

// Subviews past the few kept in place are kept too, in order.
TEST_F(Views, SubviewsAnswerEveryChildBackToFrontWhateverTheirNumber) {
  for (int count : {0, 1, 8, 9, 20}) {
    auto parent = view();
    std::vector<host::View*> added;
    for (int i = 0; i < count; ++i) {
      auto child = view();
      parent->addSubview(child);
      added.push_back(child.get());
    }
    const host::Subviews subviews = parent->subviews();
    EXPECT_EQ(subviews.size(), added.size()) << count;
    EXPECT_EQ(subviewsOf(*parent), added) << count;
    EXPECT_EQ(host::Subviews(subviews), subviews) << count;
  }
}

TEST_F(Views, RemovingAViewTheParentAloneHeldKeepsTheTreeSound) {
  auto parent = view();
  parent->addSubview(view());
  std::shared_ptr<host::View> child = parent->subviews().front();
  std::weak_ptr<host::View> watch = child;
  child.reset();
  sim::viewState(*parent).subviews().front()->removeFromSuperview();
  EXPECT_TRUE(parent->subviews().empty());
  EXPECT_TRUE(watch.expired());
}

TEST_F(Views, ASubviewDoesNotKeepItsParentAlive) {
  auto child = view();
  {
    auto parent = view();
    parent->addSubview(child);
    EXPECT_EQ(child->superview().get(), parent.get());
  }
  EXPECT_EQ(child->superview(), nullptr);
}

TEST_F(Views, AViewIsItsOwnDescendantAndOnlyItsAncestorsContainIt) {
  auto root = view(), middle = view(), leaf = view(), sibling = view();
  root->addSubview(middle);
  middle->addSubview(leaf);
  root->addSubview(sibling);
  EXPECT_TRUE(leaf->isDescendantOfView(leaf.get()));
  EXPECT_TRUE(leaf->isDescendantOfView(root.get()));
  EXPECT_FALSE(leaf->isDescendantOfView(sibling.get()));
  EXPECT_FALSE(root->isDescendantOfView(leaf.get()));
  EXPECT_FALSE(leaf->isDescendantOfView(nullptr));
}

TEST_F(Views, ConvertingToNoViewWalksToTheRootThroughOffsetsBoundsAndTransforms) {
  auto root = view(makeRect(0, 0, 320, 568));
  auto outer = view(makeRect(10, 20, 100, 100));
  auto inner = view(makeRect(5, 5, 50, 50));
  root->addSubview(outer);
  outer->addSubview(inner);
  EXPECT_EQ(inner->convertPointToView({1, 1}, nullptr), (Point{16, 26}));

  sim::viewState(*outer).setBounds(makeRect(0, 10, 100, 100));
  EXPECT_EQ(inner->convertPointToView({1, 1}, nullptr), (Point{16, 16}));

  sim::viewState(*outer).setBounds(makeRect(0, 0, 100, 100));
  outer->setTransform(AffineTransform::makeScale(2, 2));
  EXPECT_EQ(inner->convertPointToView({1, 1}, nullptr), (Point{-28, -18}));
}

TEST_F(Views, AScrolledAncestorShiftsItsSubviewsByMinusItsBoundsOriginBothWays) {
  auto root = view(makeRect(0, 0, 320, 568));
  auto scroller = view(makeRect(0, 20, 320, 200));
  auto child = view(makeRect(30, 60, 50, 50));
  root->addSubview(scroller);
  scroller->addSubview(child);
  sim::viewState(*scroller).setBoundsOrigin({-12, 50});

  EXPECT_EQ(scroller->frame(), makeRect(0, 20, 320, 200)) << "scrolling does not move the view";
  EXPECT_EQ(child->frame(), makeRect(30, 60, 50, 50)) << "nor its subview's frame";
  EXPECT_EQ(child->convertPointToView({0, 0}, nullptr), (Point{42, 30}));
  EXPECT_EQ(child->convertPointToView({0, 0}, scroller.get()), (Point{30, 60}));
  EXPECT_EQ(root->convertPointToView({42, 30}, child.get()), (Point{0, 0}));
}

TEST_F(Views, ARootViewConvertsIntoItsOwnSpace) {
  auto lonely = view(makeRect(40, 40, 10, 10));
  EXPECT_EQ(lonely->convertPointToView({3, 4}, nullptr), (Point{3, 4}));
}

TEST_F(Views, ConvertingToAnotherViewGoesThroughTheirCommonRoot) {
  auto root = view(makeRect(0, 0, 320, 568));
  auto left = view(makeRect(10, 20, 100, 100)), right = view(makeRect(200, 300, 50, 50));
  root->addSubview(left);
  root->addSubview(right);
  right->setTransform(AffineTransform::makeScale(2, 2));
  const Point there = left->convertPointToView({0, 0}, right.get());
  expectPointNear(there, {-82.5, -127.5});
  expectPointNear(right->convertPointToView(there, left.get()), {0, 0});
  expectPointNear(left->convertPointToView({7, 8}, root.get()), {17, 28});
}

TEST_F(Views, ConvertingBetweenSeparateTreesIsNotModelled) {
  auto a = view(), b = view();
  EXPECT_THROW(a->convertPointToView({0, 0}, b.get()), std::logic_error);
}

TEST_F(Views, AppearanceStartsVisibleOpaqueAndUntagged) {
  auto v = view();
  EXPECT_EQ(v->alpha(), 1);
  EXPECT_FALSE(v->isHidden());
  EXPECT_EQ(v->tag(), 0);
  v->setAlpha(0.25);
  v->setHidden(true);
  v->setTag(8472);
  EXPECT_EQ(v->alpha(), 0.25);
  EXPECT_TRUE(v->isHidden());
  EXPECT_EQ(v->tag(), 8472);
}

TEST_F(Views, ALabelShowsItsTextInTheColourLastSet) {
  auto label = classes.makeLabel(makeRect(0, 0, 80, 20));
  EXPECT_EQ(sim::colorName(label->textColor().get()), "black");
  label->setText("21°");
  label->setTextColor(classes.makeColor("white"));
  EXPECT_EQ(label->text(), "21°");
  EXPECT_EQ(sim::colorName(label->textColor().get()), "white");
  EXPECT_TRUE(label->isMemberOfClass(&classes.label));
  EXPECT_FALSE(label->isMemberOfClass(&classes.view));
}

TEST_F(Views, TheDumpListsEveryViewWithItsStateIndentedByDepth) {
  auto window = classes.makeWindow(makeRect(0, 0, 320, 568));
  auto content = view(makeRect(0, 0, 100, 100));
  auto label = classes.makeLabel(makeRect(10, 10, 80, 20));
  window->addSubview(content);
  content->addSubview(label);
  content->setTransform(AffineTransform::makeScale(2, 2));
  content->setTag(3);
  label->setText("12:00");
  label->setHidden(true);
  label->setAlpha(0.5);
  EXPECT_EQ(sim::dumpViewTree(*window),
            "UIWindow frame=(0 0; 320 568) alpha=1\n"
            "  UIView frame=(-50 -50; 200 200) transform=[2 0 0 2 0 0] alpha=1 tag=3\n"
            "    UILabel frame=(10 10; 80 20) alpha=0.5 hidden text=\"12:00\" textColor=black\n");
}

// A view from outside the simulation: every call answers nothing.
class ForeignView final : public host::View {
 public:
  explicit ForeignView(host::Class& cls) : class_(cls) {}
  host::Class& objectClass() const override { return class_; }
  Rect frame() const override { return {}; }
  void setFrame(const Rect&) override {}
  Rect bounds() const override { return {}; }
  Point center() const override { return {}; }
  AffineTransform transform() const override { return {}; }
  void setTransform(const AffineTransform&) override {}
  double alpha() const override { return 1; }
  void setAlpha(double) override {}
  bool isHidden() const override { return false; }
  void setHidden(bool) override {}
  long tag() const override { return 0; }
  void setTag(long) override {}
  std::shared_ptr<host::View> superview() const override { return nullptr; }
  host::Subviews subviews() const override { return {}; }
  void addSubview(const std::shared_ptr<host::View>&) override {}
  void removeFromSuperview() override {}
  void bringSubviewToFront(const std::shared_ptr<host::View>&) override {}
  void sendSubviewToBack(const std::shared_ptr<host::View>&) override {}
  bool isDescendantOfView(const host::View*) const override { return false; }
  Point convertPointToView(Point, const host::View*) const override { return {}; }

 private:
  host::Class& class_;
};

// The state is found through a remembered offset per concrete class: asking again, and
// asking for views of other classes in between, must still give each view its own state.
TEST_F(Views, EveryKindOfViewReachesItsOwnStateAndAForeignViewIsRefused) {
  auto plain = view();
  auto label = classes.makeLabel(makeRect(1, 2, 3, 4));
  auto window = classes.makeWindow(makeRect(0, 0, 10, 10));
  ForeignView foreign(classes.view);
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(&sim::viewState(*plain), static_cast<sim::ViewState*>(plain.get()));
    EXPECT_EQ(&sim::viewState(*label), static_cast<sim::ViewState*>(label.get()));
    EXPECT_EQ(&sim::viewState(*window), static_cast<sim::ViewState*>(window.get()));
    EXPECT_EQ(sim::viewState(*label).frame(), makeRect(1, 2, 3, 4));
    EXPECT_THROW(sim::viewState(foreign), std::logic_error);
  }
}

// A checker skips a tree while the count stands still, so every change must move it and
// reading must not.
TEST_F(Views, EveryChangeToAViewMovesTheChangeCountAndReadingDoesNot) {
  auto parent = view();
  auto child = view();
  const std::vector<std::pair<const char*, std::function<void()>>> changes = {
      {"frame", [&] { child->setFrame(makeRect(1, 1, 5, 5)); }},
      {"bounds", [&] { sim::viewState(*child).setBounds(makeRect(2, 2, 5, 5)); }},
      {"center",
       [&] {
         sim::viewState(*child).setCenter({3, 3});
       }},
      {"transform", [&] { child->setTransform(AffineTransform::makeScale(2, 2)); }},
      {"anchor point",
       [&] {
         sim::viewState(*child).setAnchorPoint({0, 0});
       }},
      {"alpha", [&] { child->setAlpha(nan); }},
      {"joining a tree", [&] { parent->addSubview(child); }},
      {"leaving it", [&] { child->removeFromSuperview(); }},
  };
  for (const auto& [what, change] : changes) {
    const std::uint64_t before = sim::viewChanges();
    (void)child->frame();
    (void)child->alpha();
    (void)parent->subviews();
    EXPECT_EQ(sim::viewChanges(), before) << what;
    change();
    EXPECT_GT(sim::viewChanges(), before) << what;
  }
}

}  // namespace
