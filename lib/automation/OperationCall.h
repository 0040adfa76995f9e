#pragma once
// One operation of a support class, called by either road an automation caller takes, from its
// description in Operations.h: the class's member function and the kinds of the interface's
// parameters (ParameterKinds.h), the [out, retval] result, if any, last.
//
// Both roads do the same steps in the same order: the result slot is emptied, the arguments are
// read from first to last (a failed conversion ends the call before the class runs, as a typed
// call fails), the class runs, its result is stored, and in-out arguments are written back.
#include <oaidl.h>
#include <windows.h>

#include <cstddef>
#include <tuple>
#include <utility>

#include "lib/automation/DispatchArguments.h"
#include "lib/automation/ParameterKinds.h"

namespace labelsupport {

template <auto Operation, typename... Kinds>
class OperationCall {
    using List = std::tuple<Kinds...>;
    template <std::size_t I>
    using Kind = std::tuple_element_t<I, List>;
    template <std::size_t I>
    using Value = decltype(Kind<I>::FromDispatch(std::declval<const DispatchArguments&>(), 0u));
    using Slots = std::tuple<typename Kinds::Parameter...>;

    static constexpr std::size_t kLast = sizeof...(Kinds) - 1;
    static constexpr bool kHasResult = Kind<kLast>::kIsResult;
    using ArgumentIndices = std::make_index_sequence<sizeof...(Kinds) - (kHasResult ? 1 : 0)>;

public:
    // The parameters an Invoke caller gives (the result not counted), and how many of them it must give.
    static constexpr unsigned kArguments = ((Kinds::kIsResult ? 0u : 1u) + ...);
    static constexpr unsigned kRequired = ((Kinds::kIsResult || Kinds::kOptional ? 0u : 1u) + ...);

    // A call through the interface's table of operations, with the interface method's parameters.
    template <typename Library>
    static void ThroughTable(Library& library, typename Kinds::Parameter... parameters) {
        Slots slots(parameters...);
        Table(library, slots, ArgumentIndices{});
    }

    // A call through IDispatch::Invoke, with the arguments sorted into parameter order.
    template <typename Library>
    static void ThroughDispatch(Library& library, const DispatchArguments& args, VARIANT* result) {
        Dispatch(library, args, result, ArgumentIndices{});
    }

private:
    template <typename Library, std::size_t... I>
    static void Table(Library& library, Slots& slots, std::index_sequence<I...>) {
        if constexpr (kHasResult) Kind<kLast>::Empty(std::get<kLast>(slots));
        // A braced list reads the arguments from first to last.
        std::tuple<Value<I>...> values{Kind<I>::FromTable(std::get<I>(slots))...};
        auto run = [&]() -> decltype(auto) { return (library.*Operation)(Kind<I>::Pass(std::get<I>(values))...); };
        if constexpr (kHasResult)
            Kind<kLast>::Store(std::get<kLast>(slots), run());
        else
            run();
        (Kind<I>::WriteBack(std::get<I>(slots), std::get<I>(values)), ...);
    }

    template <typename Library, std::size_t... I>
    static void Dispatch(Library& library, const DispatchArguments& args, VARIANT* result,
                         std::index_sequence<I...>) {
        std::tuple<Value<I>...> values{Kind<I>::FromDispatch(args, static_cast<unsigned>(I))...};
        auto run = [&]() -> decltype(auto) { return (library.*Operation)(Kind<I>::Pass(std::get<I>(values))...); };
        if constexpr (kHasResult)
            Kind<kLast>::Set(result, run());
        else
            run();
        (Kind<I>::WriteBack(args, static_cast<unsigned>(I), std::get<I>(values)), ...);
    }
};

// What a description says about an operation, as the type library says it too; for the test that
// holds the two together.
struct OperationFacts {
    const wchar_t* name;
    DISPID id;
    unsigned arguments;    // the result not counted
    unsigned optional;     // bit i: argument i may be left out
    unsigned byReference;  // bit i: argument i is a pointer
    unsigned inOut;        // bit i: argument i is written back
    bool result;           // the last parameter is an [out, retval] slot

    template <typename... Kinds>
    static constexpr OperationFacts Of(const wchar_t* name, DISPID id) {
        OperationFacts facts{name, id, 0, 0, 0, 0, false};
        const bool isResult[] = {Kinds::kIsResult...};
        const bool optional[] = {Kinds::kOptional...};
        const bool byReference[] = {Kinds::kByReference...};
        const bool inOut[] = {Kinds::kInOut...};
        for (unsigned i = 0; i < sizeof...(Kinds); ++i) {
            if (isResult[i]) {
                facts.result = true;
                continue;
            }
            facts.optional |= static_cast<unsigned>(optional[i]) << i;
            facts.byReference |= static_cast<unsigned>(byReference[i]) << i;
            facts.inOut |= static_cast<unsigned>(inOut[i]) << i;
            ++facts.arguments;
        }
        return facts;
    }
};

}  // namespace labelsupport

// Expanding a description (Operations.h) into an automation object's class body: one interface method
// per line. The class has `Library` and `library_` and `Run` from AutomationObject.
#define LABELSUPPORT_INTERFACE_METHOD(name, id, parameters)                        \
    LABELSUPPORT_APPLY(LABELSUPPORT_CAT(LABELSUPPORT_METHOD_, LABELSUPPORT_COUNT parameters), \
                       (name, LABELSUPPORT_UNPAREN parameters))

// Into the object's table for IDispatch::Invoke: one entry per line.
#define LABELSUPPORT_DISPATCH_ENTRY(name, id, parameters) \
    DispatchEntry<&Library::name, LABELSUPPORT_UNPAREN parameters>(id),

// Into a list of OperationFacts.
#define LABELSUPPORT_OPERATION_FACTS(name, id, parameters) \
    ::labelsupport::OperationFacts::Of<LABELSUPPORT_UNPAREN parameters>(LABELSUPPORT_WIDE(name), id),

// The interface methods by their number of parameters (the result slot counted).
#define LABELSUPPORT_METHOD_1(name, A)                                                     \
    HRESULT STDMETHODCALLTYPE name(A::Parameter a) override {                              \
        return Run([&] { OperationCall<&Library::name, A>::ThroughTable(library_, a); }); \
    }
#define LABELSUPPORT_METHOD_2(name, A, B)                                                           \
    HRESULT STDMETHODCALLTYPE name(A::Parameter a, B::Parameter b) override {                       \
        return Run([&] { OperationCall<&Library::name, A, B>::ThroughTable(library_, a, b); }); \
    }
#define LABELSUPPORT_METHOD_3(name, A, B, C)                                                              \
    HRESULT STDMETHODCALLTYPE name(A::Parameter a, B::Parameter b, C::Parameter c) override {             \
        return Run([&] { OperationCall<&Library::name, A, B, C>::ThroughTable(library_, a, b, c); }); \
    }

#define LABELSUPPORT_APPLY(macro, arguments) macro arguments
#define LABELSUPPORT_UNPAREN(...) __VA_ARGS__
#define LABELSUPPORT_COUNT(...) LABELSUPPORT_COUNT_(__VA_ARGS__, 3, 2, 1, 0)
#define LABELSUPPORT_COUNT_(a, b, c, n, ...) n
#define LABELSUPPORT_CAT(a, b) LABELSUPPORT_CAT_(a, b)
#define LABELSUPPORT_CAT_(a, b) a##b
#define LABELSUPPORT_WIDE(name) LABELSUPPORT_WIDE_(#name)
#define LABELSUPPORT_WIDE_(text) L##text
